// Control lines: `.title`, `.tempo`, `.track`, `.end` and their kin.
#pragma once
#include "store/context.h"

int MMctl_line(mmctx *ctx, const char *line);
