// Writes the song as a format-1 Standard MIDI File.
#pragma once
#include "store/context.h"

int MM_writeSmf(mmctx *ctx);
