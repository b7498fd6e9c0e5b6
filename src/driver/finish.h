// The end of a run: closing the song after `.end` or the end of the source,
// and releasing everything a run built, after success or a fatal stop.
#pragma once
#include <cstdint>
#include "base/context.h"

// Closes measures until every event lies behind the song's end, then
// finishes the song there (MM_finish). 0, or -1 with a pending message.
int MM_end(mmctx *ctx);
// Writes every track's end-of-track at `endClock`, closes tracks and parts,
// frees patterns and macros, runs the optimiser and writes the MIDI file.
int MM_finish(mmctx *ctx, uint32_t endClock);

// Closes the source files, the output and the error and message files. -1
// when the error or message file could not be written in full (said on the
// console).
int MM_closeFiles();
// Frees every track, part, pattern and macro and removes the work files.
void MM_releaseAll();
