#include "gen/expr.h"

#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/wrap_int.h"
#include "gen/gen_text.h"

namespace {

// The generator's texts exist in English only, whatever the message language.
constexpr const char *kExpressionError = "Expression error!";

// Unwinds the whole evaluation from wherever the error is found.
struct EvalError {
    int code;
};

int foldUpper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
bool isDigit(int c) { return c >= '0' && c <= '9'; }
bool isBlank(int c) { return c == ' ' || c == '\t'; }

int hexDigit(int c)
{
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Recursive descent, one function per precedence level, lowest first. The
// scanner reads the text upper-cased through foldUpper; the caller's text is
// never changed. `current_` is the character in hand, `pos_` the next one to
// read; advancing skips blanks and tabs, so blanks never end a number.
class Evaluator {
public:
    explicit Evaluator(const char *text) : text_(text) { advance(); }

    int32_t parse() { return exclusiveOr(); }

private:
    void advance()
    {
        while (isBlank((unsigned char)text_[pos_])) ++pos_;
        current_ = foldUpper((unsigned char)text_[pos_]);
        if (current_ != '\0') ++pos_;
    }
    // The character directly after the current one, blanks included.
    int following() const { return foldUpper((unsigned char)text_[pos_]); }

    [[noreturn]] static void fail(int code) { throw EvalError{code}; }

    // `^` binds loosest and `|` looser than `&`: the language's own order.
    int32_t exclusiveOr()
    {
        int32_t value = inclusiveOr();
        while (current_ == '^') {
            advance();
            value ^= inclusiveOr();
        }
        return value;
    }

    int32_t inclusiveOr()
    {
        int32_t value = bitAnd();
        while (current_ == '|') {
            advance();
            value |= bitAnd();
        }
        return value;
    }

    int32_t bitAnd()
    {
        int32_t value = shift();
        while (current_ == '&') {
            advance();
            value &= shift();
        }
        return value;
    }

    // The count is taken modulo 32; `>>` keeps the sign.
    int32_t shift()
    {
        int32_t value = additive();
        while (current_ == '<' || current_ == '>') {
            int op = current_;
            if (following() != op) fail(MMEXPR_SINGLE_SHIFT);
            ++pos_;
            advance();
            uint32_t count = (uint32_t)additive() & 31u;
            value = op == '<' ? (int32_t)((uint32_t)value << count) : value >> count;
        }
        return value;
    }

    int32_t additive()
    {
        int32_t value = multiplicative();
        while (current_ == '+' || current_ == '-') {
            int op = current_;
            advance();
            int32_t right = multiplicative();
            value = op == '+' ? MMwrap_add(value, right) : MMwrap_sub(value, right);
        }
        return value;
    }

    // INT32_MIN / -1 wraps to INT32_MIN and INT32_MIN % -1 is 0, as the
    // quotient and remainder of every other pair wrap.
    int32_t multiplicative()
    {
        int32_t value = prefix();
        while (current_ == '*' || current_ == '/' || current_ == '%') {
            int op = current_;
            advance();
            int32_t right = prefix();
            if (op == '*') {
                value = MMwrap_mul(value, right);
                continue;
            }
            if (right == 0) fail(MMEXPR_DIV_ZERO);
            if (op == '/')
                value = MMwrap_div(value, right);
            else
                value = right == -1 ? 0 : value % right;
        }
        return value;
    }

    // One prefix at most: `-`, `~` or `-~` (the operand minus 1), then an operand.
    int32_t prefix()
    {
        if (current_ == '~') {
            advance();
            return ~operand();
        }
        if (current_ != '-') return operand();
        advance();
        if (current_ == '~') {
            advance();
            return MMwrap_sub(operand(), 1);
        }
        return MMwrap_sub(0, operand());
    }

    int32_t operand()
    {
        if (current_ == '0' && (following() == 'X' || following() == 'B')) {
            int radix = following() == 'X' ? 16 : 2;
            ++pos_;
            advance();
            uint32_t value = 0;
            for (int digit; (digit = hexDigit(current_)) >= 0 && digit < radix; advance())
                value = value * (uint32_t)radix + (uint32_t)digit;
            return (int32_t)value;
        }
        if (current_ == '\\') {
            advance();
            if (current_ == '\0') fail(MMEXPR_NO_OPERAND);
            int32_t value = current_;
            advance();
            return value;
        }
        if (isDigit(current_)) {
            uint32_t value = 0;
            for (; isDigit(current_); advance()) value = value * 10u + (uint32_t)(current_ - '0');
            return (int32_t)value;
        }
        if (current_ == '(') {
            if (++depth_ > MMEXPR_MAX_NESTING) fail(MMEXPR_TOO_DEEP);
            advance();
            int32_t value = exclusiveOr();
            if (current_ != ')') fail(MMEXPR_NO_CLOSE);
            advance();
            --depth_;
            return value;
        }
        fail(MMEXPR_NO_OPERAND);
    }

    const char *text_;
    size_t pos_ = 0;
    int current_ = '\0';
    int depth_ = 0;
};

}  // namespace

int MMgen_exprEval(const char *text, int32_t *value)
{
    try {
        *value = Evaluator(text).parse();
        return MMEXPR_OK;
    } catch (const EvalError &error) {
        return error.code;
    }
}

int MMgen_expr(mmctx *ctx, int space, char *out, int argc, char **argv)
{
    int32_t value = 0;
    if (argc < 1 || MMgen_exprEval(argv[0], &value) != MMEXPR_OK) return MM_setErr(ctx, kExpressionError);
    char number[16];
    int length = snprintf(number, sizeof number, "%d", (int)value);
    if (length >= space) return MMgen_outOfSpace(ctx);
    memcpy(out, number, (size_t)length + 1);
    return length;
}
