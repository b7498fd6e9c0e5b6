// Control lines: the lines that begin with `.` (`.title`, `.tempo`, `.track`,
// `.end` and their kin), dispatched by their command word.
#pragma once
#include "base/context.h"

// Every control-line handler takes the text right behind its command word.
using MMctlHandler = int (*)(mmctx *ctx, const char *text);

int MMctl_line(mmctx *ctx, const char *line);
