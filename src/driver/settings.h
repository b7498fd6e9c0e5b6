// Program-wide settings filled by the command line; everything else lives in
// the compiler context. The message language is kept by the message table
// (MM_setLanguage).
#pragma once
#include <cstdint>
#include "base/context.h"

constexpr uint32_t MM_DEFAULT_CODE_SIZE = 131072;
constexpr uint32_t MM_DEFAULT_HEAP_SIZE = 65536;
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

// Back to the settings of a fresh process (the definitions list freed).
void MM_resetSettings();
