// The two encodings of source text: UTF-8 and Shift-JIS (code page 932). A
// source file is read in one of them, chosen by the command line or found by
// the reader, and every step over its characters follows that choice, so the
// last byte of a UTF-8 character is never taken for a Shift-JIS pair's lead
// and a Shift-JIS trail byte is never taken for a backslash.
#pragma once
#include <cstddef>
#include <cstdint>
#include "base/paths.h"

enum MMencoding : uint8_t {
    MM_ENC_AUTO = 0,  // option value only: each file is looked at
    MM_ENC_UTF8 = 1,
    MM_ENC_SJIS = 2,
};

// Bytes of the well-formed UTF-8 sequence that starts with lead byte `c`, or
// 0 when `c` cannot start one; `low`/`high` bound the byte that follows it
// (which rules out overlong forms, surrogates and values past U+10FFFF).
inline int MM_utf8SequenceLength(unsigned char c, unsigned char *low, unsigned char *high)
{
    *low = 0x80;
    *high = 0xBF;
    if (c < 0x80) return 1;
    if (c < 0xC2) return 0;
    if (c < 0xE0) return 2;
    if (c < 0xF0) {
        if (c == 0xE0) *low = 0xA0;
        if (c == 0xED) *high = 0x9F;
        return 3;
    }
    if (c > 0xF4) return 0;
    if (c == 0xF0) *low = 0x90;
    if (c == 0xF4) *high = 0x8F;
    return 4;
}

// Bytes taken by the character at `p`, which lies before `end`. UTF-8: the
// length of a well-formed sequence, else 1 (a stray byte is a character of
// its own). Shift-JIS: 2 for a lead byte followed by a trail byte, else 1.
inline int MM_charBytes(const char *p, const char *end, bool utf8)
{
    const unsigned char *s = reinterpret_cast<const unsigned char *>(p);
    if (!utf8) return p + 1 < end && MM_isLeadByte(s[0]) && MM_isTrailByte(s[1]) ? 2 : 1;
    unsigned char low, high;
    int length = MM_utf8SequenceLength(s[0], &low, &high);
    if (length <= 1 || end - p < length) return 1;
    if (s[1] < low || s[1] > high) return 1;
    for (int i = 2; i < length; ++i)
        if (s[i] < 0x80 || s[i] > 0xBF) return 1;
    return length;
}
