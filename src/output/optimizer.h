// Removes events that only repeat the last value kept for their channel.
// Each track holds flag words that say which kinds are thinned and which
// events make the pass forget what it has kept; `.optset` and `@OPT` set
// them, and `@OPT(clear, ...)` leaves a marker that forgets at its time.
#pragma once
#include <cstdint>
#include "store/track.h"

// Indexes of a track's flag words (mmtrk::optFlags).
enum MMoptWord : int {
    MMOPT_TEMPO, MMOPT_NOTE, MMOPT_PITCH, MMOPT_PROG, MMOPT_CAF, MMOPT_PAF, MMOPT_EXCL,
    MMOPT_CC0,                 // controller c uses MMOPT_CC0 + c
};

// Bits of a flag word. MMOPT_ON thins events of the word's kind; the
// forget bits say what a kept event of that kind makes its channel forget.
enum MMoptBit : uint16_t {
    MMOPT_ON = 1,
    MMOPT_FNOTE = 48,          // accepted, no effect
    MMOPT_FPROG = 64,
    MMOPT_FPITCH = 128,
    MMOPT_FPAF = 256,
    MMOPT_FCAF = 512,
    MMOPT_FPRES = MMOPT_FPAF | MMOPT_FCAF,
    MMOPT_FCC = 1024,
    MMOPT_FEXCL = 4096,        // accepted, no effect
    MMOPT_FTEMPO = 16384,      // only in a clear marker
};

// Marker kind of the clear marker (0xFF 0xFF kind, flags low, flags high).
constexpr int MMOPT_CLEAR_MARKER = 0x10;

// Gives a new track its default flag words.
void MMopt_initTrack(mmtrk *track);

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
