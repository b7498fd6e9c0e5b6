// Control lines that set song-wide values and controller bases.
#pragma once
#include "base/context.h"

int MMctl_title(mmctx *ctx, const char *text);
int MMctl_copyright(mmctx *ctx, const char *text);
int MMctl_division(mmctx *ctx, const char *text);
int MMctl_tempo(mmctx *ctx, const char *text);
int MMctl_signature(mmctx *ctx, const char *text);
int MMctl_meas(mmctx *ctx, const char *text);
// `.end`: asks the compile loop to end the song here.
int MMctl_end(mmctx *ctx, const char *text);
int MMctl_ccvbase(mmctx *ctx, const char *text);
