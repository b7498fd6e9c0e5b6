// The compile driver: one run from banner to MIDI file, and the measure clock.
#pragma once
#include <cstdint>
#include "store/context.h"

int MM_compile();
uint32_t MMmeas_step(mmctx *ctx);
int MM_end(mmctx *ctx, const char *text);
int MM_finish(mmctx *ctx, uint32_t endClock);
