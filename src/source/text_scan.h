// Character classes of the source reader: ASCII only (whatever the locale),
// and aware of Shift-JIS double-byte characters, whose trail byte is never
// taken for a backslash, a quote or a separator.
#pragma once
#include "base/parse.h"
#include "base/paths.h"

inline bool MMcpp_isIdentStart(int c) { return c == '_' || MM_isAsciiAlpha(c); }
inline bool MMcpp_isIdentChar(int c) { return MMcpp_isIdentStart(c) || MM_isAsciiDigit(c); }

// Bytes taken by the character at p, which lies before end: 2 for a lead
// byte followed by a trail byte, else 1.
inline int MMcpp_charLen(const char *p, const char *end)
{
    return p + 1 < end && MM_isLeadByte((unsigned char)p[0]) && MM_isTrailByte((unsigned char)p[1]) ? 2 : 1;
}

// True when name is a macro name: `_` or a letter, then `_`, letters and digits.
inline bool MMcpp_isIdent(const char *name)
{
    if (!name || !MMcpp_isIdentStart((unsigned char)*name)) return false;
    while (*++name)
        if (!MMcpp_isIdentChar((unsigned char)*name)) return false;
    return true;
}
