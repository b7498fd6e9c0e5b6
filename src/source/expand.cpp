// Macro expansion: comments, escapes, repeats, hexadecimal numbers, macro
// arguments and macro references, written straight into the caller's buffer.
#include "source/expand.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/messages.h"
#include "base/parse.h"
#include "script/zyl.h"
#include "source/macro_table.h"
#include "source/text_scan.h"

namespace {

// Expansions call one another for macro values, arguments and repeat bodies;
// this bounds that recursion where the text-macro limit does not (deeply
// nested argument lists or repeats), so the stack cannot run out.
constexpr int kMaxRecursion = 1024;

// The work one line may cost: every expansion started (a macro value, an
// argument, a repeat's round) and every byte of text it scans is one step.
// Macros that double each other while writing nothing would otherwise take
// time exponential in their number; the songs people write use a tiny
// fraction of this.
constexpr long kMaxSteps = MM_MACRO_STEP_LIMIT;

// The expander's error texts, these and the literals below, exist in English
// only, whatever the message language; users know them in that form.
constexpr const char *kOutOfSpace = "Out of string space!";
constexpr const char *kStackOver = "Macro stack over!";
constexpr const char *kRepeatError = "Repeat error!";
constexpr const char *kTableError = "Table error!";
constexpr const char *kTooMuchWork = "Macro expansion too long! (more than %ld steps in one line)";

// Bytes that the expansion copies as they are, whatever follows them.
constexpr auto kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 0x80; ++c) plain[c] = c != '/' && c != '\\' && c != '$';
    return plain;
}();

// True when one of the eight bytes in `x` is not plain: a byte from 0x80, or
// '/', '\\' or '$' (a zero byte in x ^ c marks c; a borrow may mark a later
// byte too, which only stops the fast scan early).
constexpr bool anyUnplain(uint64_t x)
{
    constexpr uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    auto zero = [](uint64_t v) { return (v - ones) & ~v & highs; };
    return ((x & highs) | zero(x ^ (ones * '/')) | zero(x ^ (ones * '\\')) | zero(x ^ (ones * '$'))) != 0;
}
static_assert(!anyUnplain(0x6162636465666768) && anyUnplain(0x61622f6465666768) && anyUnplain(0x616263646566675c) &&
              anyUnplain(0x2461626364656667) && anyUnplain(0x6162636465668068));

int hexValue(int c)
{
    if (MM_isAsciiDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The expanded arguments of one macro call. Each is expanded into at most
// MM_MACRO_ARG_SIZE bytes of one shared pool; argv points into it.
struct ExpandedArgs {
    std::vector<char> pool;
    std::vector<char *> argv;
    int argc = 0;
};

// One expansion of the text [p, end) into out[0 .. space-1].
class Expansion {
public:
    Expansion(mmctx *ctx, int space, char *out, int argc, char **argv, int depth, long *steps)
        : ctx_(ctx), space_(space), out_(out), argc_(argc), argv_(argv), depth_(depth), steps_(steps)
    {
    }

    int run(const char *p, const char *end);

private:
    char at(const char *p, int k) const { return p + k < end_ ? p[k] : '\0'; }
    int put(char c);
    int putNumber(long value);
    // Expands text into the rest of the output; the count grows by what it wrote.
    int nested(const char *text, const char *end, int argc, char **argv);
    int escape(const char *&p);
    int dollar(const char *&p);
    int repeat(const char *&p);
    int reference(const char *&p);
    int expandArgs(char **list, int count, ExpandedArgs &args);
    int insert(MMacRec *rec, ExpandedArgs &args);
    int insertTableEntry(MMacRec *rec, ExpandedArgs &args);
    int callResult(int written, const char *name);

    mmctx *ctx_;
    int space_;
    char *out_;
    int argc_;
    char **argv_;
    int depth_;
    long *steps_;  // shared by every expansion of one line
    int count_ = 0;
    const char *end_ = nullptr;
};

int Expansion::put(char c)
{
    if (count_ + 1 >= space_) return MM_setErr(ctx_, kOutOfSpace);
    out_[count_++] = c;
    return 0;
}

int Expansion::putNumber(long value)
{
    char number[24];
    snprintf(number, sizeof number, "%ld", value);
    for (const char *q = number; *q; ++q)
        if (put(*q) < 0) return -1;
    return 0;
}

int expandSpan(mmctx *ctx, int space, char *out, const char *in, const char *end, int argc, char **argv, int depth,
               long *steps)
{
    if (depth > kMaxRecursion) return MM_setErr(ctx, kStackOver);
    *steps += 1 + (end - in);
    if (*steps > kMaxSteps) {
        MM_setErrMsg(ctx, kTooMuchWork, kMaxSteps);
        return -1;
    }
    return Expansion(ctx, space, out, argc, argv, depth, steps).run(in, end);
}

int Expansion::nested(const char *text, const char *end, int argc, char **argv)
{
    int n = expandSpan(ctx_, space_ - count_, out_ + count_, text, end, argc, argv, depth_ + 1, steps_);
    if (n < 0) return -1;
    count_ += n;
    return n;
}

int Expansion::run(const char *p, const char *end)
{
    end_ = end;
    if (space_ < 1) return MM_setErr(ctx_, kOutOfSpace);
    while (p < end) {
        if (p[0] == '/' && at(p, 1) == '*') {
            int depth = 1;
            for (p += 2; p < end && depth > 0;) {
                if (p[0] == '/' && at(p, 1) == '*') {
                    ++depth;
                    p += 2;
                } else if (p[0] == '*' && at(p, 1) == '/') {
                    --depth;
                    p += 2;
                } else {
                    ++p;
                }
            }
            continue;
        }
        // Text that starts nothing (no comment, escape, `$` or double-byte
        // character) is most of a line: it is copied at once.
        const char *plain = p;
        for (uint64_t x; end - plain >= 8 && (memcpy(&x, plain, 8), !anyUnplain(x));) plain += 8;
        while (plain < end && kPlain[(unsigned char)*plain]) ++plain;
        if (plain > p) {
            int length = (int)(plain - p);
            if (count_ + length >= space_) return MM_setErr(ctx_, kOutOfSpace);
            memcpy(out_ + count_, p, (size_t)length);
            count_ += length;
            p = plain;
            continue;
        }
        int result;
        if (*p == '\\')
            result = escape(p);
        else if (*p == '$')
            result = dollar(p);
        else {
            // A character is copied whole: no byte of it starts a comment, an escape or a reference.
            result = 0;
            for (int length = MMcpp_charLen(ctx_, p, end); result == 0 && length > 0; --length) result = put(*p++);
        }
        if (result < 0) return -1;
    }
    out_[count_] = '\0';
    return count_;
}

int Expansion::escape(const char *&p)
{
    if (++p >= end_) return 0;  // a backslash at the very end writes nothing
    char c = *p;
    if (c == 't') {
        ++p;
        return put('\t');
    }
    if (c == 'x') {
        ++p;
        int high = p < end_ ? hexValue((unsigned char)*p++) : -1;
        int low = p < end_ ? hexValue((unsigned char)*p++) : -1;
        if (high < 0 || low < 0) return 0;
        return put((char)(high * 16 + low));
    }
    int length = MMcpp_charLen(ctx_, p, end_);
    for (int i = 0; i < length; ++i)
        if (put(*p++) < 0) return -1;
    return 0;
}

int Expansion::dollar(const char *&p)
{
    char next = at(p, 1);
    if (next == '(') return repeat(p);
    int high = hexValue((unsigned char)next), low = hexValue((unsigned char)at(p, 2));
    if (high >= 0 && low >= 0 && !MMcpp_isIdentChar((unsigned char)at(p, 3))) {
        p += 3;
        return putNumber(high * 16 + low);
    }
    if (argc_ >= 0 && next >= '1' && next <= '9' && !MM_isAsciiDigit((unsigned char)at(p, 2))) {
        p += 2;
        int index = next - '0';
        if (index > argc_) return 0;
        const char *arg = argv_[index - 1];
        return nested(arg, arg + strlen(arg), 0, nullptr) < 0 ? -1 : 0;
    }
    if (next == '$') {
        p += 2;
        return put('$');
    }
    if (!MMcpp_isIdentStart((unsigned char)next)) return MM_setErr(ctx_, MM_text(MSG_MACRO_NAME_IDENT));
    return reference(p);
}

// $(text)N: the text N times (2 when N is missing).
int Expansion::repeat(const char *&p)
{
    const char *body = p + 2;
    const char *close = body;
    for (int depth = 1; close < end_; ++close) {
        if (*close == '(') ++depth;
        if (*close == ')' && --depth == 0) break;
    }
    if (close >= end_) return MM_setErr(ctx_, kRepeatError);
    const char *cursor = close + 1;
    int32_t times = 2;
    if (MM_getNum(&times, &cursor) < 0) times = 2;
    p = cursor < end_ ? cursor : end_;
    if (times < 1) return MM_setErr(ctx_, kRepeatError);
    if (body == close) return 0;
    for (int32_t i = 0; i < times; ++i) {
        int n = nested(body, close, argc_, argv_);
        if (n < 0) return -1;
        // A body that writes nothing writes nothing every time: stop early
        // rather than spin through a huge count.
        if (n == 0) break;
    }
    return 0;
}

// $name or $name(arguments).
int Expansion::reference(const char *&p)
{
    const char *name = p + 1;
    const char *q = name;
    while (q < end_ && MMcpp_isIdentChar((unsigned char)*q)) ++q;
    size_t nameLength = (size_t)(q - name);
    while (q < end_ && MM_isBlank((unsigned char)*q)) ++q;
    char **list = nullptr;
    int listCount = 0;
    if (q < end_ && *q == '(') {
        listCount = MM_splitList(&q, &list);
        if (q > end_) q = end_;
    }
    p = q;
    ExpandedArgs args;
    int result = expandArgs(list, listCount, args);
    MM_freeList(listCount, list);
    if (result < 0) return -1;
    MMacRec *rec = MMac_findN(ctx_, name, nameLength);
    if (!rec) {
        MM_setErrMsg(ctx_, "Can't define macro %.*s ", (int)nameLength, name);
        return -1;
    }
    return insert(rec, args);
}

int Expansion::expandArgs(char **list, int count, ExpandedArgs &args)
{
    std::vector<size_t> offsets;
    offsets.reserve((size_t)count);
    size_t used = 0;
    for (int i = 0; i < count; ++i) {
        args.pool.resize(used + MM_MACRO_ARG_SIZE);
        const char *arg = list[i];
        int n = expandSpan(ctx_, MM_MACRO_ARG_SIZE, args.pool.data() + used, arg, arg + strlen(arg), argc_, argv_,
                           depth_ + 1, steps_);
        if (n < 0) return -1;
        offsets.push_back(used);
        used += (size_t)n + 1;
    }
    args.argc = count;
    args.argv.reserve((size_t)count + 1);
    for (size_t offset : offsets) args.argv.push_back(args.pool.data() + offset);
    args.argv.push_back(nullptr);
    return 0;
}

int Expansion::insert(MMacRec *rec, ExpandedArgs &args)
{
    char **argv = args.argv.data();
    switch (rec->kind) {
    case MACRO_TEXT:
    case MACRO_BUILTIN: {
        if (++ctx_->macroNest > MM_MACRO_NEST_LIMIT) {
            --ctx_->macroNest;
            return MM_setErr(ctx_, kStackOver);
        }
        const char *value = static_cast<const char *>(rec->value);
        int n = nested(value, value + rec->size, args.argc, argv);
        --ctx_->macroNest;
        return n < 0 ? -1 : 0;
    }
    case MACRO_TABLE:
        return insertTableEntry(rec, args);
    case MACRO_FUNC:
        if (!rec->func) return 0;
        return callResult(rec->func(ctx_, space_ - count_, out_ + count_, args.argc, argv), rec->name);
    case MACRO_SCRIPT:
        // The engine reads every argument pointer-sized.
        return callResult(ZYL_exec(static_cast<const char *>(rec->value), 5, ctx_, (intptr_t)(space_ - count_),
                                   out_ + count_, (intptr_t)args.argc, argv),
                          rec->name);
    default:
        return 0;
    }
}

int Expansion::insertTableEntry(MMacRec *rec, ExpandedArgs &args)
{
    int32_t index = 0;
    if (args.argc > 0 && args.argv[0][0] != '\0') {
        const char *cursor = args.argv[0];
        if (MM_getNum(&index, &cursor) < 0) return MM_setErr(ctx_, kTableError);
        MM_skipBlanks(&cursor);
        if (*cursor != '\0') return MM_setErr(ctx_, kTableError);
    }
    uint32_t entries = rec->size / sizeof(int32_t);
    if (index < 0 || (uint32_t)index >= entries) return MM_setErr(ctx_, kTableError);
    return putNumber(static_cast<const int32_t *>(rec->value)[index]);
}

// Takes the result of a function or script macro, which wrote into the output.
int Expansion::callResult(int written, const char *name)
{
    if (written < 0) {
        if (!ctx_->errMsg || !ctx_->errMsg[0]) MM_setErrMsg(ctx_, "Macro function error! (%s)", name);
        return -1;
    }
    if (written >= space_ - count_) return MM_setErr(ctx_, kOutOfSpace);
    count_ += written;
    return 0;
}

}  // namespace

int MMcpp_expand(mmctx *ctx, int space, char *out, const char *in, int argc, char **argv)
{
    long steps = 0;
    return expandSpan(ctx, space, out, in, in + strlen(in), argc, argv, 0, &steps);
}
