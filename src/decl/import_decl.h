// `.import track key:value ...`: reads events of a MIDI file into a track.
#pragma once
#include "base/context.h"

int MMctl_import(mmctx *ctx, const char *text);
