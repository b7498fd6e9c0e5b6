// Small cursor parsers shared by every reader of the source. Each advances
// the cursor past what it consumed and reports failure by its result only.
#pragma once
#include <cstdint>

int MM_getNum(int32_t *out, const char **cursor);
int MM_getIdent(char *buf, int size, const char **cursor);
int MM_xdigitVal(int c);
int MM_wordCmp(const char *a, const char *b);
int MM_wordNCmp(const char *a, const char *b, int n);
int MM_onOff(const char *text);
int MM_getPort(const char **cursor);
int MM_getChannel(const char **cursor);
int MM_getNote(const char **cursor);
int MM_getNoteRange(int32_t *lo, int32_t *hi, const char **cursor);
int MM_getRange128(int32_t *lo, int32_t *hi, const char **cursor);
int MM_getMmlCmd(const char **cursor);
int MM_splitList(const char **cursor, char ***array);
void MM_freeList(int count, char **array);

// Blank in the sense of the C library's space test in the "C" locale.
inline bool MM_isBlank(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline void MM_skipBlanks(const char **cursor)
{
    while (MM_isBlank((unsigned char)**cursor)) ++*cursor;
}
