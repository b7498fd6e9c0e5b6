// Value records: the number behind every part parameter, offsetter, pin item
// and note option, with its absolute, relative, ratio and random forms.
#pragma once
#include <cstdint>

// Mode bits; 1 alone means absolute. Ratio operands are in 1/1024 units.
constexpr int32_t MMVAL_ABS = 1;
constexpr int32_t MMVAL_REL = 2;
constexpr int32_t MMVAL_RATIO = 4;
constexpr int32_t MMVAL_RANDOM = 8;
constexpr int32_t MMVAL_RATIO_UNIT = 1024;

struct mmval {
    int32_t mode;
    int32_t value;
    int32_t lo;     // random range, random modes only
    int32_t hi;
};

// Reads `'`, `*`, a number, `..`number, `%` and applies the result to the record.
int MMval_parse(mmval *record, const char **cursor);
// The same syntax; relative and ratio forms keep their operands for MMval_relTo.
int MMval_parseItem(mmval *record, const char **cursor);
int32_t MMval_apply(mmval *record, int32_t mode, int32_t x, int32_t y);
// The record's value; random records draw anew at every read. Read on every
// note for most parameters, so the plain case stays inline.
[[gnu::always_inline]] inline int32_t MMval_get(mmval *record)
{
    if (record->mode & MMVAL_RANDOM) [[unlikely]]
        return MMval_apply(record, record->mode, record->lo, record->hi);
    return record->value;
}
// An item evaluated against a base record; relative and ratio items act on a copy of the base.
int32_t MMval_relTo(const mmval *item, const mmval *base);

inline mmval MMval_abs(int32_t v) { return mmval{MMVAL_ABS, v, 0, 0}; }
