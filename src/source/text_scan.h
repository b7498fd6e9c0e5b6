// Character classes of the source reader: ASCII only (whatever the locale),
// and aware of the characters of the line's encoding: a Shift-JIS trail byte
// is never taken for a backslash, a quote or a separator.
#pragma once
#include "base/parse.h"
#include "base/paths.h"
#include "base/text_encoding.h"

inline bool MMcpp_isIdentStart(int c) { return c == '_' || MM_isAsciiAlpha(c); }
inline bool MMcpp_isIdentChar(int c) { return MMcpp_isIdentStart(c) || MM_isAsciiDigit(c); }

// Bytes taken by the character at p, which lies before end, in the encoding
// of the current line.
inline int MMcpp_charLen(const mmctx *ctx, const char *p, const char *end)
{
    return MM_charBytes(p, end, ctx->lineUtf8);
}

// True when name is a macro name: `_` or a letter, then `_`, letters and digits.
inline bool MMcpp_isIdent(const char *name)
{
    if (!name || !MMcpp_isIdentStart((unsigned char)*name)) return false;
    while (*++name)
        if (!MMcpp_isIdentChar((unsigned char)*name)) return false;
    return true;
}
