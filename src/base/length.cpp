#include "base/length.h"

#include "base/parse.h"
#include "base/wrap_int.h"

int MMlength_value(int32_t division, const char **cursor, int32_t *length)
{
    int32_t n;
    if (**cursor == ':') {
        ++*cursor;
        if (MM_getNum(&n, cursor) < 0 || n < 0) return -1;
        *length = n;
        return 1;
    }
    if (!MM_isAsciiDigit((unsigned char)**cursor)) return 0;
    if (MM_getNum(&n, cursor) < 0 || n < 1) return -1;
    *length = MMwrap_mul(4, division) / n;
    return 1;
}

void MMlength_dots(const char **cursor, int32_t *length)
{
    int32_t increment = *length;
    while (**cursor == '.') {
        ++*cursor;
        increment /= 2;
        *length = MMwrap_add(*length, increment);
    }
}
