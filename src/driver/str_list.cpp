#include "driver/str_list.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int MM_strListAdd(strList *list, const char *format, ...)
{
    char scratch[MM_STRLIST_SCRATCH];
    va_list args;
    va_start(args, format);
    int formatted = vsnprintf(scratch, sizeof scratch, format, args);
    va_end(args);
    if (formatted < 0) scratch[0] = '\0';
    uint32_t size = (uint32_t)strlen(scratch) + 1;

    strEntry *entry = (strEntry *)malloc(sizeof(strEntry) + size);
    if (!entry) return -1;
    entry->next = nullptr;
    entry->size = size;
    entry->text = (char *)(entry + 1);
    memcpy(entry->text, scratch, size);
    if (list->tail) list->tail->next = entry; else list->head = entry;
    list->tail = entry;
    ++list->count;
    list->bytes += size;
    return 0;
}

void MM_strListClear(strList *list)
{
    for (strEntry *entry = list->head; entry;) {
        strEntry *next = entry->next;
        free(entry);
        entry = next;
    }
    *list = strList{};
}
