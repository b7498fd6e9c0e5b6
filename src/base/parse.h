// Small cursor parsers shared by every reader of the source. Each advances
// the cursor past what it consumed and reports failure by its result only;
// the caller chooses the message and reports the cursor as the error point.
#pragma once
#include <cstdint>

int MM_getNum(int32_t *out, const char **cursor);
int MM_getIdent(char *buf, int size, const char **cursor);
int MM_xdigitVal(int c);
int MM_wordNCmp(const char *a, const char *b, int n);
int MM_onOff(const char *text);
int MM_getPort(const char **cursor);
int MM_getChannel(const char **cursor);
int MM_getNote(const char **cursor);
int MM_getNoteRange(int32_t *lo, int32_t *hi, const char **cursor);
int MM_getRange128(int32_t *lo, int32_t *hi, const char **cursor);
// `:N` at `text` with N a controller number 0..127 (`cc:7` after its word):
// N, or -1.
int32_t MM_ccSuffix(const char *text);
// A letter-map command name or ccv:N at the cursor -> its command code, or -1.
int MM_getMmlCmd(const char **cursor);
// Splits the parenthesised list at the cursor into `count` malloc'ed strings
// (followed by a null entry); 0 items leave *array null.
int MM_splitList(const char **cursor, char ***array);
void MM_freeList(int count, char **array);

// Blank in the sense of the C library's space test in the "C" locale.
inline bool MM_isBlank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline void MM_skipBlanks(const char **cursor)
{
    while (MM_isBlank((unsigned char)**cursor)) ++*cursor;
}

constexpr bool MM_isWordEnd(int c) { return c == 0 || c == ' ' || c == '\t' || c == '\n'; }
// ASCII classes, whatever the locale.
constexpr int MM_lowerAscii(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }
constexpr bool MM_isAsciiDigit(int c) { return c >= '0' && c <= '9'; }
constexpr bool MM_isAsciiAlpha(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Compares two words without regard to ASCII case. A word ends at NUL, space,
// tab or newline; an ended word sorts before any character, so keyword tables
// sorted by their lower-case names agree with this order. Usable at compile
// time, which lets keyword tables prove they are sorted.
constexpr int MM_wordCmp(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int ca = (unsigned char)*a, cb = (unsigned char)*b;
        ca = MM_isWordEnd(ca) ? 0 : MM_lowerAscii(ca);
        cb = MM_isWordEnd(cb) ? 0 : MM_lowerAscii(cb);
        if (ca != cb || ca == 0) return ca - cb;
    }
}
