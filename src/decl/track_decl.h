// The `.track` control line: declares a track with its number, macro name,
// port and channel.
#pragma once
#include "base/context.h"

int MMctl_track(mmctx *ctx, const char *text);
