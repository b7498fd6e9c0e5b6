// Removes events that only repeat the last value kept for their channel.
// Each track holds flag words (store/opt_flags.h) that say which kinds are
// thinned and which events make the pass forget what it has kept; `.optset`
// and `@OPT` set them (output/optimizer_settings.h), and `@OPT(clear, ...)`
// leaves a marker that forgets at its time.
#pragma once
#include <cstdint>
#include "store/opt_flags.h"
#include "store/track.h"

// Thins every track ("Optimizing..."); the first failure stops it.
int MMopt_run(mmctx *ctx);
int MMopt_track(mmctx *ctx, mmtrk *track);
// Thins a track's event list as it stands in memory.
int MMopt_thin(mmtrk *track);
