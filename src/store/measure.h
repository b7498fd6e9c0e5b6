// The measure clock: the song's bar lines. Every track and part moves to the
// next bar line together when a measure closes.
#pragma once
#include <cstdint>
#include "base/context.h"

// Closes the measure that begins at ctx->measureClock with the current time
// signature: every track and part moves to its end, which the call returns,
// and the progress line shows it.
uint32_t MMmeas_step(mmctx *ctx);
