// The dump listing printed with -dumpMsg: every track's events, measure by
// measure, after the MIDI file is written.
#pragma once
#include "base/context.h"

void MM_dumpListing(mmctx *ctx);
