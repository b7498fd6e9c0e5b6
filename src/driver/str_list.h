// Lists of strings that the command line collects (the -def entries).
#pragma once
#include <cstdint>

constexpr int MM_STRLIST_SCRATCH = 512;   // longest list text, its NUL included

// Singly linked list of strings; each entry's text is stored right behind it,
// in the same allocation.
struct strEntry {
    strEntry *next;
    uint32_t size;             // text length including its NUL
    char *text;
};

struct strList {
    strEntry *head;
    strEntry *tail;
    uint32_t count;
    uint32_t bytes;            // sum of the entries' sizes
};

// Appends a printf-formatted text (cut to the scratch size); -1 when out of
// memory, leaving the list unchanged.
int MM_strListAdd(strList *list, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Frees every entry and empties the list.
void MM_strListClear(strList *list);
