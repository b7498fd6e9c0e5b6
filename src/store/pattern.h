// The pattern store: named groups of numbered MML lines played by `*(name)`.
#pragma once
#include <cstdint>
#include "base/context.h"

struct PatternEntry {
    PatternEntry *prev;
    PatternEntry *next;
    int32_t number;
    char *text;
};

struct PatternGroup {
    PatternGroup *next;
    int32_t count;
    PatternEntry *first;
    char *name;
};

void MMpat_clear(mmctx *ctx);
void MMpat_free(mmctx *ctx);
