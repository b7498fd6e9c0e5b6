// One-shot values: overrides that apply to a single note. A note takes them
// from the part's armed pin, and may get restore values from the track's note
// assignment; the restore values are sent when the note ends.
#pragma once
#include <cstdint>
#include <vector>
#include "base/context.h"
#include "base/value.h"

struct mmpart;

struct MMshot {
    bool set;
    int32_t value;
};

struct MMccShot {
    int controller;
    int32_t value;
    int32_t restore;
};

struct MMnoteShots {
    MMshot tempo, keyShift, octave, velocity, offVelocity, step, gateRatio, gate;
    MMshot program, pitch, cafPressure, cafDelay, pafPressure, pafDelay;
    int32_t tempoRestore;    // beats per minute
    MMshot programRestore;   // 0..127; set here only by note assignment
    int32_t pitchRestore;    // -8192..8191
    std::vector<MMccShot> controllers;  // in the order of the pin's items
};

// Takes one pin item into the note's one-shot values: its value is
// evaluated against the part's current record of that parameter (relative
// and ratio items start from the part's value), and the restore value of
// tempo, pitch bend and controllers is the part's own value. The program to
// restore is read only when the one-shot program is sent.
void MMnote_pinItem(mmpart *part, MMnoteShots *shots, int32_t kind, const mmval *item);

// Consumes the part's armed pin into `shots`, feeding each of its items to
// MMnote_pinItem, and disarms the part (`pinArmed` = 0) in any case.
void MMpin_take(mmctx *ctx, mmpart *part, MMnoteShots *shots);
