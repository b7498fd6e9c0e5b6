// The pattern store: named groups of numbered MML lines played by `*(name)`.
#pragma once
#include <cstdint>
#include "base/context.h"

// Longest pattern name a `.pattern` line may define, and a call may give.
constexpr int MM_PATTERN_NAME_MAX = 127;
constexpr int MM_PATTERN_CALL_NAME_MAX = 254;
// Pattern calls running inside one another; a pattern that calls itself
// stops here instead of recursing forever.
constexpr int32_t MM_PATTERN_NEST_LIMIT = 64;

// Work sizes as users see them in the progress and final lines.
constexpr int32_t MM_PATTERN_GROUP_WORK = 16;
constexpr int32_t MM_PATTERN_ENTRY_WORK = 16;

struct PatternEntry {
    PatternEntry *prev;
    PatternEntry *next;
    int32_t number;
    char *text;
};

// Entries are kept in ascending order of number, each number once.
struct PatternGroup {
    PatternGroup *next;
    int32_t count;
    PatternEntry *first;
    char *name;
};

void MMpat_clear(mmctx *ctx);
PatternGroup *MMpat_find(mmctx *ctx, const char *name);
// Adds entry `number` with a copy of `text` to the pattern `name`, made on
// first use; 0, or -1 when the number is taken or memory runs out.
int MMpat_define(mmctx *ctx, const char *name, int32_t number, const char *text);
void MMpat_free(mmctx *ctx);
