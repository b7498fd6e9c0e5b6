// The optimiser's settings: `.optset` and the body of `@OPT`, which change a
// track's flag words or leave a clear marker in its events.
#pragma once
#include <cstdint>
#include "store/track.h"

// Applies flag keywords (`on`, `off`, `note`, `prog`, `pitch`, `paf`, `caf`,
// `pres`, `cc`, `excl`, `tempo`) to `flags`, in order. -1 with "Optimize flag
// error!" pending when one is unknown or there is none.
int MMopt_parseFlags(mmctx *ctx, int count, char **words, uint16_t *flags);

// `.optset track kind[, flags...]`: sets one flag word of a track.
int MMopt_optset(mmctx *ctx, const char *text);

// The body of `@OPT(...)` once its event time is known: sets a flag word of
// the track, or writes a clear marker at `clock`.
int MMopt_command(mmctx *ctx, mmtrk *track, uint32_t clock, int argc, char **argv);
