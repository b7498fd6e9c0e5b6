// `chord(symbol [, inversion [, step [, gate [, suffix]]]])`: the notes of a
// chord symbol as MML text, played together, then a rest of the step time.
#pragma once
#include "base/context.h"

// A built-in function macro: writes at most `space` characters to `out`;
// the number written, or -1 with a pending message.
int MMgen_chord(mmctx *ctx, int space, char *out, int argc, char **argv);
