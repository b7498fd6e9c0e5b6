// The piano roll (-roll): an SVG drawing of the song as the MIDI file holds
// it. The writer hands over each track chunk it encodes, so the roll sees the
// thinned events in both work modes, cut at end-of-track like the file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include "store/track.h"

struct mmroll;
struct MMrollDelete {
    void operator()(mmroll *roll) const;
};
using MMrollPtr = std::unique_ptr<mmroll, MMrollDelete>;

// Drawing scale, in SVG user units.
constexpr int MM_ROLL_LEFT = 140;           // label column left of clock 0
constexpr int MM_ROLL_TOP = 44;             // ruler above the first lane
constexpr int MM_ROLL_QUARTER = 48;         // width of one quarter note
constexpr int MM_ROLL_KEY = 6;              // height of one key row
constexpr int MM_ROLL_LANE_HEAD = 18;       // label strip above each lane's rows

MMrollPtr MMroll_new(int32_t division);

// Takes in the events of one track chunk (the bytes after "MTrk" and its
// length), in the order the tracks are written. Tempo and signature events
// count only from the control track.
void MMroll_addTrack(mmroll *roll, const mmtrk *track, bool controlTrack, const uint8_t *events, size_t length);

// The SVG text of everything taken in so far; `title` heads the drawing.
std::string MMroll_svg(const mmroll *roll, const char *title);

// Writes the drawing to `path`: 0, or -1 with a pending message; the file
// takes the place of an old one only when complete.
int MMroll_write(mmctx *ctx, const mmroll *roll, const char *path);
