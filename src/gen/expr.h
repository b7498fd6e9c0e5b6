// `expr(expression)`: the value of an integer expression as decimal text.
#pragma once
#include "base/context.h"

// A built-in function macro: writes at most `space` characters to `out`;
// the number written, or -1 with a pending message.
int MMgen_expr(mmctx *ctx, int space, char *out, int argc, char **argv);
