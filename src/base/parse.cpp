#include "base/parse.h"

#include <cstdlib>
#include <cstring>
#include "base/command_names.h"
#include "base/limits.h"
#include "base/name_table.h"

namespace {

bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A number from `first` to `last`, both inclusive.
bool numberIn(int32_t *out, const char **cursor, int32_t first, int32_t last)
{
    return MM_getNum(out, cursor) == 0 && *out >= first && *out <= last;
}

}  // namespace

int MM_getNum(int32_t *out, const char **cursor)
{
    MM_skipBlanks(cursor);
    bool negative = false;
    if (**cursor == '+' || **cursor == '-') negative = *(*cursor)++ == '-';
    if (!isDigit((unsigned char)**cursor)) return -1;
    // Unsigned, so overlong numbers wrap around instead of overflowing.
    uint32_t v = 0;
    while (isDigit((unsigned char)**cursor)) v = v * 10 + (uint32_t)(*(*cursor)++ - '0');
    *out = (int32_t)(negative ? 0u - v : v);
    return 0;
}

int MM_getIdent(char *buf, int size, const char **cursor)
{
    MM_skipBlanks(cursor);
    if (size <= 0 || !isLetter((unsigned char)**cursor)) return -1;
    int n = 0;
    for (int c; isLetter(c = (unsigned char)**cursor) || isDigit(c) || c == '_'; ++*cursor) {
        if (n + 1 >= size) {
            buf[n] = '\0';
            return -1;
        }
        buf[n++] = (char)c;
    }
    buf[n] = '\0';
    return 0;
}

int MM_xdigitVal(int c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int MM_wordNCmp(const char *a, const char *b, int n)
{
    for (; n > 0; --n, ++a, ++b) {
        int ca = (unsigned char)*a, cb = (unsigned char)*b;
        ca = MM_isWordEnd(ca) ? 0 : MM_lowerAscii(ca);
        cb = MM_isWordEnd(cb) ? 0 : MM_lowerAscii(cb);
        if (ca != cb || ca == 0) return ca - cb;
    }
    return 0;
}

int MM_onOff(const char *text)
{
    if (MM_wordCmp(text, "on") == 0) return 1;
    if (MM_wordCmp(text, "off") == 0) return 0;
    return -1;
}

int MM_getPort(const char **cursor)
{
    MM_skipBlanks(cursor);
    int c = (unsigned char)**cursor;
    if (isLetter(c)) {
        // The letter stays at the cursor for the caller.
        int port = (c & ~0x20) - 'A';
        return port < MM_PORTS ? port : -1;
    }
    int32_t n;
    return numberIn(&n, cursor, 1, MM_PORTS) ? n - 1 : -1;
}

int MM_getChannel(const char **cursor)
{
    MM_skipBlanks(cursor);
    int32_t n;
    return numberIn(&n, cursor, 1, MM_CHANNELS) ? n - 1 : -1;
}

int MM_getNote(const char **cursor)
{
    MM_skipBlanks(cursor);
    int c = (unsigned char)**cursor;
    int32_t n;
    if (isDigit(c)) return numberIn(&n, cursor, 0, MM_NOTES - 1) ? n : -1;
    c = MM_lowerAscii(c);
    if (c < 'a' || c > 'g') return -1;
    ++*cursor;
    static constexpr int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // a..g
    if (!numberIn(&n, cursor, MM_OCTAVE_MIN, MM_OCTAVE_MAX)) return -1;
    int note = kSemitone[c - 'a'] + 12 * (n + 1);
    return note < MM_NOTES ? note : -1;
}

int MM_getNoteRange(int32_t *lo, int32_t *hi, const char **cursor)
{
    int first = MM_getNote(cursor);
    if (first < 0) return -1;
    int last = first;
    if (**cursor == '-') {
        ++*cursor;
        last = MM_getNote(cursor);
        if (last < first) return -1;
    }
    *lo = first;
    *hi = last;
    return 0;
}

int MM_getRange128(int32_t *lo, int32_t *hi, const char **cursor)
{
    int32_t first, last;
    if (!numberIn(&first, cursor, 1, 128)) return -1;
    last = first;
    if (**cursor == '-') {
        ++*cursor;
        if (!numberIn(&last, cursor, first, 128)) return -1;
    }
    *lo = first - 1;
    *hi = last - 1;
    return 0;
}

int MM_getMmlCmd(const char **cursor)
{
    if (MM_wordNCmp(*cursor, "ccv:", 4) == 0) {
        *cursor += 4;
        int32_t n;
        return numberIn(&n, cursor, 0, MM_CONTROLLERS - 1) ? MMCMD_CCV + n : -1;
    }
    const MMcmdName *entry = MM_findName(MM_mmlCmdNames, *cursor);
    if (!entry) return -1;
    *cursor += strlen(entry->name);
    return entry->code;
}

void MM_freeList(int count, char **array)
{
    if (count <= 0 || !array) return;
    for (int i = 0; i < count; ++i) free(array[i]);
    free(array);
}

int MM_splitList(const char **cursor, char ***array)
{
    *array = nullptr;
    const char *open = *cursor;
    if (*open != '(') return 0;
    const char *close = open + 1;
    for (int depth = 1;; ++close) {
        if (*close == '\0') {
            *cursor = close;
            return 0;
        }
        if (*close == '(') ++depth;
        else if (*close == ')' && --depth == 0) break;
    }
    *cursor = close + 1;

    // The items go one after another, each NUL-terminated, into one scratch
    // buffer: a comma or the list's end closes each item and the quotes are
    // dropped, so the items never take more than the list's length plus one.
    size_t listLength = (size_t)(close - open - 1);
    char *scratch = (char *)malloc(listLength + 1);
    if (!scratch) return 0;
    char *out = scratch;
    int count = 0;
    bool atItemStart = true;
    bool discarded = false;
    for (const char *p = open + 1; p < close; ++p) {
        unsigned char c = (unsigned char)*p;
        if (atItemStart && c >= 1 && c <= ' ') continue;
        if (c == ',') {
            *out++ = '\0';
            ++count;
            atItemStart = true;
            continue;
        }
        atItemStart = false;
        if (c != '"') {
            *out++ = (char)c;
            continue;
        }
        const char *quoteEnd = (const char *)memchr(p + 1, '"', (size_t)(close - p - 1));
        if (!quoteEnd) {
            discarded = true;
            break;
        }
        memcpy(out, p + 1, (size_t)(quoteEnd - p - 1));
        out += quoteEnd - p - 1;
        p = quoteEnd;
    }
    // The last item ends with the list; a blank-only list has none, and a
    // list ending in a comma ends with one empty item.
    if (!discarded && (!atItemStart || count > 0)) {
        *out++ = '\0';
        ++count;
    }
    if (count == 0) {
        free(scratch);
        return 0;
    }

    char **items = (char **)calloc((size_t)count + 1, sizeof(char *));
    if (!items) {
        free(scratch);
        return 0;
    }
    const char *item = scratch;
    for (int i = 0; i < count; ++i) {
        size_t size = strlen(item) + 1;
        items[i] = (char *)malloc(size);
        if (!items[i]) {
            for (int j = 0; j < i; ++j) free(items[j]);
            free(items);
            free(scratch);
            return 0;
        }
        memcpy(items[i], item, size);
        item += size;
    }
    free(scratch);
    *array = items;
    return count;
}

int32_t MM_ccSuffix(const char *text)
{
    if (*text != ':') return -1;
    ++text;
    int32_t controller;
    if (MM_getNum(&controller, &text) < 0 || controller < 0 || controller > MM_CONTROLLER_MAX) return -1;
    return controller;
}
