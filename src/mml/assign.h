// Note and program assignment: what a track's per-note and per-program
// tables add to a note-on or a program change. The tables come with the
// track commands and the MIDI import; until a track has them, nothing is
// assigned.
#pragma once
#include <cstdint>
#include "base/context.h"
#include "mml/one_shot.h"

// Note assignment from the track's per-note tables, for a note-on of `note`
// at `time`: may replace or offset *velocity, writes the assigned program
// change, controllers and pitch bend, and makes the assigned values the
// restore values of one-shot program, controllers and pitch bend.
int MMnote_assign(mmctx *ctx, mmpart *part, int note, uint32_t time, int32_t *velocity, MMnoteShots *shots);

// Program assignment: the pitch bend and controllers that the track's
// per-program tables give program `program` (0..127), written at `time`
// before its program change.
int MMpart_programAssign(mmctx *ctx, mmpart *part, int program, uint32_t time);

// `@NOTEASN(kind, mode, range:value, ...)`: the track's per-note tables.
int MMtcmd_noteAssign(mmctx *ctx, mmpart *part, int argc, char **argv);
// `@PROGASN(kind, mode, programs:value, ...)`: the track's per-program tables.
int MMtcmd_programAssign(mmctx *ctx, mmpart *part, int argc, char **argv);
