// Placeholder: the parsers come with the value work.
#include "mml/parse.h"

#include <cctype>

int MM_wordCmp(const char *a, const char *b)
{
    auto end = [](int c) { return c == 0 || c == ' ' || c == '\t' || c == '\n'; };
    for (;; ++a, ++b) {
        int ca = tolower((unsigned char)*a), cb = tolower((unsigned char)*b);
        if (end(ca) && end(cb)) return 0;
        if (end(ca) || end(cb) || ca != cb) return (end(ca) ? 0 : ca) - (end(cb) ? 0 : cb);
    }
}

int MM_getNum(int32_t *out, const char **cursor)
{
    MM_skipBlanks(cursor);
    int sign = 1;
    if (**cursor == '+' || **cursor == '-') sign = *(*cursor)++ == '-' ? -1 : 1;
    if (!isdigit((unsigned char)**cursor)) return -1;
    uint32_t v = 0;
    while (isdigit((unsigned char)**cursor)) v = v * 10 + (uint32_t)(*(*cursor)++ - '0');
    *out = (int32_t)(sign < 0 ? 0u - v : v);
    return 0;
}

int MM_getIdent(char *buf, int size, const char **cursor)
{
    MM_skipBlanks(cursor);
    if (!isalpha((unsigned char)**cursor)) return -1;
    int n = 0;
    while (isalnum((unsigned char)**cursor) || **cursor == '_') {
        if (n + 1 >= size) return -1;
        buf[n++] = *(*cursor)++;
    }
    buf[n] = '\0';
    return 0;
}
