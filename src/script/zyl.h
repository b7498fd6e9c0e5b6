// The script engine: C scripts compiled in memory, called by name.
#pragma once
#include <cstddef>
#include <cstdint>

struct ZYLcfg {
    void *(*alloc)(size_t);
    void (*release)(void *);
    void *reserved[2];
};

// One entry of the function table offered to scripts.
struct ZYLfunc {
    const char *name;
    void *address;
    uint32_t type;             // base type, then modifiers, lowest byte first, ended by 0xFF
    uint32_t zero;
};

void ZYL_setCfg(const ZYLcfg *cfg);
int ZYL_init(uint32_t codeSize, uint32_t heapSize);
int ZYL_setFunc(const ZYLfunc *entry);
int ZYL_load(const char *path);
const char *ZYL_getErrMsg();
int ZYL_exec(const char *name, int count, ...);
