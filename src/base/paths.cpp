#include "base/paths.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t kNone = (size_t)-1;
constexpr size_t kShortBase = 8;   // 8.3 names
constexpr size_t kShortExt = 3;

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool hasDrive(const char *path) { return isAsciiLetter(path[0]) && path[1] == ':'; }

// Index of the last separator before `end`, or kNone.
size_t lastSeparator(const char *path, size_t end)
{
    size_t last = kNone;
    for (size_t i = 0; i < end && path[i]; i += MM_charLength(path + i))
        if (MM_isSeparator(path[i])) last = i;
    return last;
}

// Where the last component begins: behind the last separator, else behind a drive prefix.
size_t componentStart(const char *path, size_t end)
{
    size_t sep = lastSeparator(path, end);
    if (sep != kNone) return sep + 1;
    return hasDrive(path) && end >= 2 ? 2 : 0;
}

// Index of the last '.' of path[start..], or kNone.
size_t lastDot(const char *path, size_t start)
{
    size_t dot = kNone;
    for (size_t i = start; path[i]; i += MM_charLength(path + i))
        if (path[i] == '.') dot = i;
    return dot;
}

bool isDotName(const char *name) { return strcmp(name, ".") == 0 || strcmp(name, "..") == 0; }

// The longest prefix of s[0..n) that fits `room` bytes without splitting a double-byte character.
size_t fitLength(const char *s, size_t n, size_t room)
{
    if (n <= room) return n;
    size_t i = 0;
    while (i < room) {
        size_t step = MM_charLength(s + i);
        if (i + step > room) break;
        i += step;
    }
    return i;
}

// Writes s[0..n) as a string into out[size]; `s` may overlap `out`.
void putText(char *out, size_t size, const char *s, size_t n)
{
    if (size == 0) return;
    n = fitLength(s, n, size - 1);
    memmove(out, s, n);
    out[n] = '\0';
}

void appendText(char *out, size_t size, const char *s)
{
    size_t length = strlen(out);
    if (length < size) putText(out + length, size - length, s, strlen(s));
}

}  // namespace

char MM_lastChar(const char *s)
{
    char last = '\0';
    for (size_t i = 0; s[i]; i += MM_charLength(s + i)) last = MM_charLength(s + i) == 1 ? s[i] : '\0';
    return last;
}

void MM_slashPath(char *path)
{
    for (size_t i = 0; path[i]; i += MM_charLength(path + i))
        if (path[i] == '\\') path[i] = '/';
}

FILE *MM_openPath(const char *path, const char *mode)
{
    std::string native = path;
    MM_slashPath(native.data());
    FILE *fp = fopen(native.c_str(), mode);
    if (!fp) return nullptr;
    struct stat info;
    if (fstat(fileno(fp), &info) == 0 && S_ISDIR(info.st_mode)) {
        fclose(fp);
        return nullptr;
    }
    return fp;
}

void MM_pathJoin(char *dir, const char *name, size_t size)
{
    char last = MM_lastChar(dir);
    if (dir[0] && last != '/' && last != '\\' && last != ':') appendText(dir, size, "/");
    appendText(dir, size, name);
}

void MM_pathDir(char *out, const char *path, size_t size)
{
    size_t sep = lastSeparator(path, strlen(path));
    if (sep == kNone) {
        if (hasDrive(path)) {
            const char drive[] = {path[0], ':', '.'};
            putText(out, size, drive, sizeof drive);
        } else {
            putText(out, size, ".", 1);
        }
        return;
    }
    putText(out, size, path, sep);
    for (size_t i = 0; out[i]; i += MM_charLength(out + i))
        if (out[i] == '\\') out[i] = '/';
    if (out[0] == '\0')
        putText(out, size, "/", 1);
    else if (sep == 2 && hasDrive(path))
        appendText(out, size, "/");
}

void MM_pathStripExt(char *out, const char *path, size_t size)
{
    size_t start = componentStart(path, strlen(path));
    size_t dot = isDotName(path + start) ? kNone : lastDot(path, start);
    putText(out, size, path, dot == kNone ? strlen(path) : dot);
}

void MM_pathExt(char *out, const char *path, size_t size)
{
    size_t start = componentStart(path, strlen(path));
    size_t dot = isDotName(path + start) ? kNone : lastDot(path, start);
    const char *ext = dot == kNone ? "" : path + dot + 1;
    putText(out, size, ext, strlen(ext));
}

int MM_defaultExt(char *out, const char *in, const char *ext, size_t size)
{
    if (size == 0) return -1;
    size_t length = strlen(in);
    if (length >= size) {
        putText(out, size, in, length);
        return -1;
    }
    memmove(out, in, length + 1);
    // A name is the whole argument: "my song" names "my song.mml".
    if (lastDot(out, componentStart(out, length)) != kNone) return 0;
    if (length + strlen(ext) >= size) {
        appendText(out, size, ext);
        return -1;
    }
    memcpy(out + length, ext, strlen(ext) + 1);
    return 0;
}

int MM_shortName(char *out, const char *path, size_t size)
{
    // Trailing separators do not count: the component ends behind its last other character.
    size_t end = 0;
    for (size_t i = 0; path[i];) {
        size_t step = MM_charLength(path + i);
        if (step == 2 || !MM_isSeparator(path[i])) end = i + step;
        i += step;
    }
    size_t start = componentStart(path, end);
    if (start > end) start = end;
    const char *name = path + start;
    size_t length = end - start;
    if (size) out[0] = '\0';
    if (length == 0 || (length == 1 && name[0] == '.') || (length == 2 && name[0] == '.' && name[1] == '.'))
        return -1;

    size_t dot = kNone;
    for (size_t i = 0; i < length; i += MM_charLength(name + i))
        if (name[i] == '.') dot = i;
    char shortName[kShortBase + 1 + kShortExt + 1];
    size_t baseLength = fitLength(name, dot == kNone ? length : dot, kShortBase);
    memcpy(shortName, name, baseLength);
    size_t n = baseLength;
    if (dot != kNone) {
        shortName[n++] = '.';
        size_t extLength = fitLength(name + dot + 1, length - dot - 1, kShortExt);
        memcpy(shortName + n, name + dot + 1, extLength);
        n += extLength;
    }
    putText(out, size, shortName, n);
    return 0;
}

namespace {

// Scanner of MM_splitWords: finds the next item of `p`, or returns false at
// the end. `afterComma` carries whether the previous item ended at a comma,
// which makes a comma at the very end give one more, empty item.
bool nextWord(const char *&p, bool &afterComma, bool keepParenthesised, const char **start, size_t *length)
{
    while (*p && (unsigned char)*p < 33) ++p;
    if (!*p) {
        if (!afterComma) return false;
        afterComma = false;
        *start = p;
        *length = 0;
        return true;
    }
    if (*p == '"') {
        *start = ++p;
        while (*p && *p != '"') p += MM_charLength(p);
        *length = (size_t)(p - *start);
        if (*p == '"') ++p;
    } else {
        *start = p;
        int depth = 0;
        while (*p && (unsigned char)*p >= 33 && (*p != ',' || depth > 0)) {
            if (keepParenthesised && *p == '(') ++depth;
            else if (*p == ')' && depth > 0) --depth;
            p += MM_charLength(p);
        }
        *length = (size_t)(p - *start);
    }
    while (*p && (unsigned char)*p < 33) ++p;
    afterComma = *p == ',';
    if (afterComma) ++p;
    return true;
}

}  // namespace

int MM_splitWords(const char *text, char ***array, bool keepParenthesised)
{
    *array = nullptr;
    int count = 0;
    const char *start;
    size_t length;
    bool afterComma = false;
    for (const char *p = text; nextWord(p, afterComma, keepParenthesised, &start, &length);) ++count;
    if (count == 0) return 0;

    char **words = (char **)malloc(sizeof(char *) * ((size_t)count + 1));
    if (!words) return 0;
    int made = 0;
    afterComma = false;
    for (const char *p = text; made < count && nextWord(p, afterComma, keepParenthesised, &start, &length); ++made) {
        words[made] = (char *)malloc(length + 1);
        if (!words[made]) {
            MM_freeWords(made, words);
            return 0;
        }
        memcpy(words[made], start, length);
        words[made][length] = '\0';
    }
    words[count] = nullptr;
    *array = words;
    return count;
}

void MM_freeWords(int count, char **array)
{
    if (!array) return;
    for (int i = count - 1; i >= 0; --i) free(array[i]);
    free(array);
}

int MM_progDir(char *out, const char *argv0, size_t size)
{
    char dir[PATH_MAX] = "";
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0) {
        exe[n] = '\0';
        MM_pathDir(dir, exe, sizeof dir);
    } else {
        // Without /proc: the directory argv[0] names, made absolute.
        char relative[PATH_MAX];
        MM_pathDir(relative, argv0 ? argv0 : "", sizeof relative);
        if (!realpath(relative, dir)) {
            if (relative[0] != '/' && getcwd(dir, sizeof dir))
                MM_pathJoin(dir, relative, sizeof dir);
            else
                putText(dir, sizeof dir, relative, strlen(relative));
        }
    }
    if (size < 2) {
        if (size) out[0] = '\0';
        return 0;
    }
    putText(out, size - 1, dir, strlen(dir));
    if (MM_lastChar(out) != '/') appendText(out, size, "/");
    return 0;
}
