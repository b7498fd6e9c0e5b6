// Note and program assignment: what a track's per-note and per-program
// tables (`@NOTEASN`, `@PROGASN`) give a note-on or a program change. Until
// a track has them, nothing is assigned.
#pragma once
#include <cstdint>
#include "base/context.h"
#include "mml/one_shot.h"

// Program assignment of a note: the velocity and note number that the
// track's per-program tables give the part's current program (its program
// record - 1 + offsetter), each clamped to 0..127. Comes before the note's
// continuation check and its note assignment, which see the assigned note.
void MMnote_programAssign(mmpart *part, int32_t *note, int32_t *velocity);

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
