// Program-wide settings filled by the command line; everything else lives in
// the compiler context.
#pragma once
#include <cstdint>
#include "store/context.h"

// Singly linked list of strings; each entry's text is stored right behind it.
struct strEntry {
    strEntry *next;
    uint32_t size;             // text length including its NUL
    char *text;
};

struct strList {
    strEntry *head;
    strEntry *tail;
    uint32_t count;
    uint32_t bytes;
};

int MM_strListAdd(strList *list, const char *format, ...) __attribute__((format(printf, 2, 3)));
void MM_strListClear(strList *list);

struct mmsettings {
    int argc;
    char **argv;
    uint32_t codeSize;
    uint32_t heapSize;
    char zylDir[MM_DIR_SIZE];
    char zylFile[MM_DIR_SIZE];
    char progDir[MM_DIR_SIZE];
    strList defs;              // -def entries, applied at start-up
};

extern mmsettings MM_settings;
