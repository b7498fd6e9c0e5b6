// Removes events that only repeat the last value kept for their channel.
// Each track holds flag words that say which kinds are thinned and which
// events make the pass forget what it has kept; `.optset` and `@OPT` set
// them, and `@OPT(clear, ...)` leaves a marker that forgets at its time.
#pragma once
#include <cstdint>
#include "store/opt_flags.h"
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

// Thins every track ("Optimizing..."); the first failure stops it.
int MMopt_run(mmctx *ctx);
int MMopt_track(mmctx *ctx, mmtrk *track);
// Thins a track's event list as it stands in memory.
void MMopt_thin(mmtrk *track);
