// Macro expansion: `$name`, `$name(args)`, `$(text)N` and the generators,
// run over one line into an output buffer.
#pragma once
#include "base/context.h"

// Expands `in` into `out` (room for `space` characters); inside a macro body,
// `argc`/`argv` are the call's arguments (-1 outside one). The number of
// characters written, or -1 with a pending message.
int MMcpp_expand(mmctx *ctx, int space, char *out, const char *in, int argc, char **argv);
