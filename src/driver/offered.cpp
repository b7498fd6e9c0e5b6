#include "driver/offered.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <unistd.h>

#include "base/messages.h"
#include "script/zyl.h"
#include "source/macro_table.h"
#include "source/reader.h"

namespace {

constexpr int kMaxCallArgs = ZYL_MAX_ARGS;
constexpr int kGetsMax = 512;   // longest line `gets` stores, NUL included

// Type codes, read from the lowest byte: base type, modifiers, 0xFF.
// Functions and variables whose C type holds a pointer are declared with a
// pointer type, so scripts keep all 64 bits of it on this system.
constexpr uint32_t kIntVar = 0xFF04;
constexpr uint32_t kPtrVar = 0xFF0800;
constexpr uint32_t kIntFunc = 0xFF0B04;
constexpr uint32_t kPtrFunc = 0xFF0B0800;
constexpr uint32_t kDoubleFunc = 0xFF0B07;
constexpr uint32_t kIntPtrFunc = 0xFF0B0804;

// Library names that are macros, or absent, in C are offered as functions.
int strcmpiFn(const char *a, const char *b) { return strcasecmp(a, b); }
int getcharFn() { return getchar(); }
int putcharFn(int c) { return putchar(c); }
int isalphaFn(int c) { return isalpha(c); }
int isupperFn(int c) { return isupper(c); }
int islowerFn(int c) { return islower(c); }
int isdigitFn(int c) { return isdigit(c); }
int isxdigitFn(int c) { return isxdigit(c); }
int isalnumFn(int c) { return isalnum(c); }
int isspaceFn(int c) { return isspace(c); }
int ispunctFn(int c) { return ispunct(c); }
int isprintFn(int c) { return isprint(c); }
int isgraphFn(int c) { return isgraph(c); }
int iscntrlFn(int c) { return iscntrl(c); }
int isasciiFn(int c) { return (unsigned)c < 128; }
int toupperFn(int c) { return toupper(c); }
int tolowerFn(int c) { return tolower(c); }
int toasciiFn(int c) { return c & 0x7F; }

// A bounded `gets`: the rest of an over-long line is read and dropped.
char *getsFn(char *buf)
{
    if (!fgets(buf, kGetsMax, stdin)) return nullptr;
    size_t n = strlen(buf);
    if (n && buf[n - 1] == '\n') {
        buf[n - 1] = '\0';
    } else {
        int c;
        while ((c = getchar()) != EOF && c != '\n') {}
    }
    return buf;
}

// Scripts know no time_t or long: time values and file offsets are 32-bit
// ints there, as on the system the scripts were first written for.
int timeFn(int32_t *out)
{
    int32_t now = (int32_t)time(nullptr);
    if (out) *out = now;
    return now;
}
struct tm *localtimeFn(const int32_t *t)
{
    time_t value = *t;
    return localtime(&value);
}
char *ctimeFn(const int32_t *t)
{
    time_t value = *t;
    return ctime(&value);
}
double difftimeFn(int32_t end, int32_t start) { return (double)end - (double)start; }
int fseekFn(FILE *fp, int32_t offset, int whence) { return fseek(fp, offset, whence); }

template <typename T> void *addr(T *function) { return reinterpret_cast<void *>(function); }
// Some C libraries declare the standard streams as constant pointers.
template <typename T> void *objectAddr(const T *object) { return const_cast<T *>(object); }

const ZYLfunc kTable[] = {
    {"errno", &errno, kIntVar, 0},
    {"stdin", objectAddr(&stdin), kPtrVar, 0},
    {"stdout", objectAddr(&stdout), kPtrVar, 0},
    {"stderr", objectAddr(&stderr), kPtrVar, 0},
    {"putc", addr(fputc), kIntFunc, 0},
    {"puts", addr(puts), kIntFunc, 0},
    {"fputc", addr(fputc), kIntFunc, 0},
    {"fputs", addr(fputs), kIntFunc, 0},
    {"fread", addr(fread), kIntFunc, 0},
    {"getc", addr(fgetc), kIntFunc, 0},
    {"gets", addr(getsFn), kPtrFunc, 0},
    {"fgetc", addr(fgetc), kIntFunc, 0},
    {"fgets", addr(fgets), kPtrFunc, 0},
    {"fwrite", addr(fwrite), kIntFunc, 0},
    {"fopen", addr(fopen), kPtrFunc, 0},
    {"fclose", addr(fclose), kIntFunc, 0},
    {"fseek", addr(fseekFn), kIntFunc, 0},
    {"ftell", addr(ftell), kIntFunc, 0},
    {"rewind", addr(rewind), kIntFunc, 0},
    {"setbuf", addr(setbuf), kIntFunc, 0},
    {"fflush", addr(fflush), kIntFunc, 0},
    {"ungetc", addr(ungetc), kIntFunc, 0},
    {"getchar", addr(getcharFn), kIntFunc, 0},
    {"putchar", addr(putcharFn), kIntFunc, 0},
    {"clearerr", addr(clearerr), kIntFunc, 0},
    {"feof", addr(feof), kIntFunc, 0},
    {"ferror", addr(ferror), kIntFunc, 0},
    {"fileno", addr(fileno), kIntFunc, 0},
    {"printf", addr(printf), kIntFunc, 0},
    {"fprintf", addr(fprintf), kIntFunc, 0},
    {"sprintf", addr(sprintf), kIntFunc, 0},
    {"vprintf", addr(vprintf), kIntFunc, 0},
    {"vfprintf", addr(vfprintf), kIntFunc, 0},
    {"vsprintf", addr(vsprintf), kIntFunc, 0},
    {"scanf", addr(scanf), kIntFunc, 0},
    {"fscanf", addr(fscanf), kIntFunc, 0},
    {"sscanf", addr(sscanf), kIntFunc, 0},
    {"system", addr(system), kIntFunc, 0},
    {"freopen", addr(freopen), kPtrFunc, 0},
    {"strcpy", addr(strcpy), kPtrFunc, 0},
    {"strncpy", addr(strncpy), kPtrFunc, 0},
    {"strcat", addr(strcat), kPtrFunc, 0},
    {"strncat", addr(strncat), kPtrFunc, 0},
    {"strchr", addr<char *(char *, int)>(strchr), kPtrFunc, 0},
    {"strrchr", addr<char *(char *, int)>(strrchr), kPtrFunc, 0},
    {"strpbrk", addr<char *(char *, const char *)>(strpbrk), kPtrFunc, 0},
    {"strtok", addr(strtok), kPtrFunc, 0},
    {"strdup", addr(strdup), kPtrFunc, 0},
    {"strstr", addr<char *(char *, const char *)>(strstr), kPtrFunc, 0},
    {"strcmp", addr(strcmp), kIntFunc, 0},
    {"strcmpi", addr(strcmpiFn), kIntFunc, 0},
    {"strncmp", addr(strncmp), kIntFunc, 0},
    {"strlen", addr(strlen), kIntFunc, 0},
    {"strspn", addr(strspn), kIntFunc, 0},
    {"strcspn", addr(strcspn), kIntFunc, 0},
    {"memccpy", addr(memccpy), kPtrFunc, 0},
    {"memchr", addr<void *(void *, int, size_t)>(memchr), kPtrFunc, 0},
    {"memcpy", addr(memcpy), kPtrFunc, 0},
    {"memset", addr(memset), kPtrFunc, 0},
    {"memcmp", addr(memcmp), kIntFunc, 0},
    {"atof", addr(atof), kDoubleFunc, 0},
    {"atoi", addr(atoi), kIntFunc, 0},
    {"atol", addr(atol), kIntFunc, 0},
    {"rand", addr(rand), kIntFunc, 0},
    {"srand", addr(srand), kIntFunc, 0},
    {"calloc", addr(calloc), kPtrFunc, 0},
    {"malloc", addr(malloc), kPtrFunc, 0},
    {"realloc", addr(realloc), kPtrFunc, 0},
    {"free", addr(free), kIntFunc, 0},
    {"exit", addr(exit), kIntFunc, 0},
    {"abort", addr(abort), kIntFunc, 0},
    {"getenv", addr(getenv), kPtrFunc, 0},
    {"bsearch", addr(bsearch), kPtrFunc, 0},
    {"qsort", addr(qsort), kIntFunc, 0},
    {"isalpha", addr(isalphaFn), kIntFunc, 0},
    {"isupper", addr(isupperFn), kIntFunc, 0},
    {"islower", addr(islowerFn), kIntFunc, 0},
    {"isdigit", addr(isdigitFn), kIntFunc, 0},
    {"isxdigit", addr(isxdigitFn), kIntFunc, 0},
    {"isalnum", addr(isalnumFn), kIntFunc, 0},
    {"isspace", addr(isspaceFn), kIntFunc, 0},
    {"ispunct", addr(ispunctFn), kIntFunc, 0},
    {"isprint", addr(isprintFn), kIntFunc, 0},
    {"isgraph", addr(isgraphFn), kIntFunc, 0},
    {"iscntrl", addr(iscntrlFn), kIntFunc, 0},
    {"isascii", addr(isasciiFn), kIntFunc, 0},
    {"toupper", addr(toupperFn), kIntFunc, 0},
    {"tolower", addr(tolowerFn), kIntFunc, 0},
    {"toascii", addr(toasciiFn), kIntFunc, 0},
    {"clock", addr(clock), kIntFunc, 0},
    {"time", addr(timeFn), kIntFunc, 0},
    {"localtime", addr(localtimeFn), kIntPtrFunc, 0},
    {"mktime", addr(mktime), kIntFunc, 0},
    {"ctime", addr(ctimeFn), kPtrFunc, 0},
    {"asctime", addr(asctime), kPtrFunc, 0},
    {"difftime", addr(difftimeFn), kDoubleFunc, 0},
    {"_funcCall", addr(_funcCall), kIntFunc, 0},
    {"_setByte", addr(_setByte), kPtrFunc, 0},
    {"_setWord", addr(_setWord), kPtrFunc, 0},
    {"_setDword", addr(_setDword), kPtrFunc, 0},
    {"_getByte", addr(_getByte), kIntFunc, 0},
    {"_getWord", addr(_getWord), kIntFunc, 0},
    {"_getDword", addr(_getDword), kIntFunc, 0},
    {"MM_setErrMsg", addr(MM_setErrMsg), kIntFunc, 0},
    {"MM_fopen", addr(MM_fopen), kPtrFunc, 0},
    {"MMac_extDefine", addr(MMac_extDefine), kIntFunc, 0},
    {nullptr, nullptr, 0, 0},
};

}  // namespace

const ZYLfunc *MM_offeredTable() { return kTable; }
int MM_offeredCount() { return (int)(sizeof kTable / sizeof kTable[0]) - 1; }

void MM_registerOffered()
{
    for (const ZYLfunc *entry = kTable; entry->name; ++entry) ZYL_setFunc(entry);
}

extern "C" int _funcCall(const char *name, int count, ...)
{
    if (count < 0) return 0;
    if (count > kMaxCallArgs) count = kMaxCallArgs;
    intptr_t a[kMaxCallArgs] = {};
    va_list args;
    va_start(args, count);
    for (int i = 0; i < count; ++i) a[i] = va_arg(args, intptr_t);
    va_end(args);
    return ZYL_exec(name, count, a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                    a[12], a[13], a[14], a[15], a[16], a[17]);
}

extern "C" intptr_t _setByte(intptr_t p, intptr_t v)
{
    uint8_t b = (uint8_t)v;
    memcpy(reinterpret_cast<void *>(p), &b, 1);
    return p;
}

extern "C" intptr_t _setWord(intptr_t p, intptr_t v)
{
    uint16_t w = (uint16_t)v;
    memcpy(reinterpret_cast<void *>(p), &w, 2);
    return p;
}

extern "C" intptr_t _setDword(intptr_t p, intptr_t v)
{
    uint32_t d = (uint32_t)v;
    memcpy(reinterpret_cast<void *>(p), &d, 4);
    return p;
}

extern "C" uint32_t _getByte(intptr_t p)
{
    uint8_t b;
    memcpy(&b, reinterpret_cast<const void *>(p), 1);
    return b;
}

extern "C" uint32_t _getWord(intptr_t p)
{
    uint16_t w;
    memcpy(&w, reinterpret_cast<const void *>(p), 2);
    return w;
}

extern "C" uint32_t _getDword(intptr_t p)
{
    uint32_t d;
    memcpy(&d, reinterpret_cast<const void *>(p), 4);
    return d;
}
