// Value records: the number behind every part parameter, offsetter, pin item
// and note option, with its absolute, relative, ratio and random forms.
#pragma once
#include <cstdint>

// Mode bits; 1 alone means absolute.
constexpr int32_t MMVAL_ABS = 1;
constexpr int32_t MMVAL_REL = 2;
constexpr int32_t MMVAL_RATIO = 4;
constexpr int32_t MMVAL_RANDOM = 8;

struct mmval {
    int32_t mode;
    int32_t value;
    int32_t lo;
    int32_t hi;
};

int MMval_parse(mmval *record, const char **cursor);
int MMval_parseItem(mmval *record, const char **cursor);
int32_t MMval_apply(mmval *record, int32_t mode, int32_t x, int32_t y);
int32_t MMval_get(mmval *record);
int32_t MMval_relTo(const mmval *item, const mmval *base);

inline mmval MMval_abs(int32_t v) { return mmval{MMVAL_ABS, v, 0, 0}; }
