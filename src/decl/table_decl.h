// `.table` (a track's translation tables) and `.mmlcmd` (the letter map of
// parts created afterwards).
#pragma once
#include "base/context.h"

int MMctl_table(mmctx *ctx, const char *text);
int MMctl_mmlcmd(mmctx *ctx, const char *text);
