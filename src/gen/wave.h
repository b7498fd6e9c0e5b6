// `wave`, `slide` and `swave`: runs of MML text from numbers - a periodic
// shape, a curve from a start to an end value, and a shape along a curve.
#pragma once
#include "base/context.h"

// Built-in function macros: each writes at most `space` characters to `out`;
// the number written, or -1 with a pending message.
int MMgen_wave(mmctx *ctx, int space, char *out, int argc, char **argv);
int MMgen_slide(mmctx *ctx, int space, char *out, int argc, char **argv);
int MMgen_swave(mmctx *ctx, int space, char *out, int argc, char **argv);
