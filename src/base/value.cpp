#include "base/value.h"

#include <utility>
#include "base/parse.h"
#include "base/random.h"
#include "base/wrap_int.h"

namespace {

int32_t scaled(int32_t value, int32_t ratio) { return MMwrap_mul(value, ratio) / MMVAL_RATIO_UNIT; }

// x plus a random number in 0..y-x; y > x. The full 32-bit range has 2^32
// values, which wraps the divisor to 0 and leaves the draw as it is.
int32_t drawBetween(int32_t x, int32_t y)
{
    uint32_t span = (uint32_t)y - (uint32_t)x + 1;
    uint32_t r = MM_rand();
    return MMwrap_add(x, (int32_t)(span ? r % span : r));
}

int32_t withoutAbs(int32_t mode, int32_t bit) { return (mode & ~MMVAL_ABS) | bit; }

// The common syntax of values: fills mode and the operands.
int parseSyntax(const char **cursor, int32_t *mode, int32_t *x, int32_t *y)
{
    MM_skipBlanks(cursor);
    int32_t m = MMVAL_ABS;
    for (;;) {
        char c = **cursor;
        if (c == '\'') {
            m = withoutAbs(m, MMVAL_REL);
            ++*cursor;
        } else if (c == '*') {
            m = withoutAbs(m, MMVAL_RANDOM);
            if (*++*cursor == '\'') {
                m = withoutAbs(m, MMVAL_REL);
                ++*cursor;
            }
        } else {
            break;
        }
    }
    int32_t first, second = 0;
    if (MM_getNum(&first, cursor) < 0) return -1;
    MM_skipBlanks(cursor);
    if (m & MMVAL_RANDOM) {
        if ((*cursor)[0] != '.' || (*cursor)[1] != '.') return -1;
        *cursor += 2;
        MM_skipBlanks(cursor);
        if (MM_getNum(&second, cursor) < 0) return -1;
        MM_skipBlanks(cursor);
        if (first > second) std::swap(first, second);
    }
    if (**cursor == '%') {
        ++*cursor;
        m = withoutAbs(m, MMVAL_RATIO);
        first = MMwrap_mul(first, MMVAL_RATIO_UNIT) / 100;
        second = MMwrap_mul(second, MMVAL_RATIO_UNIT) / 100;
    }
    *mode = m;
    *x = first;
    *y = second;
    return 0;
}

}  // namespace

int MMval_parse(mmval *record, const char **cursor)
{
    int32_t mode, x, y;
    if (parseSyntax(cursor, &mode, &x, &y) < 0) return -1;
    MMval_apply(record, mode, x, y);
    return 0;
}

int MMval_parseItem(mmval *record, const char **cursor)
{
    int32_t mode, x, y;
    if (parseSyntax(cursor, &mode, &x, &y) < 0) return -1;
    if (!(mode & (MMVAL_REL | MMVAL_RATIO))) {
        MMval_apply(record, mode, x, y);
        return 0;
    }
    record->mode = mode;
    if (mode & MMVAL_RANDOM) {
        record->lo = x;
        record->hi = y;
    } else {
        record->value = x;
    }
    return 0;
}

int32_t MMval_apply(mmval *record, int32_t mode, int32_t x, int32_t y)
{
    record->mode = mode;
    int32_t &value = record->value;
    switch (mode) {
    case MMVAL_ABS: value = x; break;
    case MMVAL_REL: value = MMwrap_add(value, x); break;
    case MMVAL_RATIO: value = scaled(value, x); break;
    case MMVAL_REL | MMVAL_RATIO: value = MMwrap_add(value, scaled(value, x)); break;
    case MMVAL_RANDOM:
    case MMVAL_RANDOM | MMVAL_REL:
    case MMVAL_RANDOM | MMVAL_RATIO:
    case MMVAL_RANDOM | MMVAL_RATIO | MMVAL_REL: {
        record->lo = x;
        record->hi = y;
        if (y < x) break;
        int32_t operand = x == y ? x : drawBetween(x, y);
        if (mode == MMVAL_RANDOM) value = operand;
        else if (mode == (MMVAL_RANDOM | MMVAL_REL)) value = MMwrap_add(value, operand);
        else if (mode == (MMVAL_RANDOM | MMVAL_RATIO)) value = scaled(value, operand);
        else value = MMwrap_add(value, scaled(value, operand));
        break;
    }
    default: break;
    }
    return value;
}

int32_t MMval_relTo(const mmval *item, const mmval *base)
{
    if (!(item->mode & (MMVAL_REL | MMVAL_RATIO))) {
        // A plain random item draws the same from a copy; the item stays as stored.
        mmval copy = *item;
        return MMval_get(&copy);
    }
    mmval copy = *base;
    if (item->mode & MMVAL_RANDOM) MMval_apply(&copy, item->mode, item->lo, item->hi);
    else MMval_apply(&copy, item->mode, item->value, 0);
    return MMval_get(&copy);
}
