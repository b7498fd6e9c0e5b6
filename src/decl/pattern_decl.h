// `.pattern name(number) text`: stores one numbered line of a pattern.
#pragma once
#include "base/context.h"

int MMctl_pattern(mmctx *ctx, const char *text);
