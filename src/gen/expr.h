// `expr(expression)`: the value of an integer expression as decimal text.
#pragma once
#include <cstdint>

#include "base/context.h"

// The evaluator's results; every one but MMEXPR_OK fails the macro.
enum {
    MMEXPR_OK = 0,
    MMEXPR_NO_CLOSE = 2,     // a `(` without its `)`
    MMEXPR_NO_OPERAND = 3,   // an operand is missing
    MMEXPR_SINGLE_SHIFT = 4, // `<` or `>` not doubled
    MMEXPR_DIV_ZERO = 5,     // `/` or `%` by zero
    MMEXPR_TOO_DEEP = 6,     // parentheses nested past MMEXPR_MAX_NESTING
};

// Parentheses nest at most this deep; each level costs the evaluator stack.
constexpr int MMEXPR_MAX_NESTING = 256;

// Evaluates `text` as a 32-bit integer expression; stores the value on
// success. Text after a complete expression is ignored. Returns an MMEXPR_ code.
int MMgen_exprEval(const char *text, int32_t *value);

// A built-in function macro: writes at most `space` characters to `out`;
// the number written, or -1 with a pending message.
int MMgen_expr(mmctx *ctx, int space, char *out, int argc, char **argv);
