// Registers: numbered sets of parameter values a part keeps and recalls with
// one command. A setter (`%`, `?`) sets several parameters at once, an
// offsetter (`%#`, `?#`) replaces several offsetters at once, and a pin (`!`)
// holds values for the next note only.
#pragma once
#include "base/context.h"
#include "store/part.h"

// Command handlers; the cursor is on the command character (`%` or `?`, the
// `#` of an offsetter, `!`).
int MMset_command(mmctx *ctx, mmpart *part, const char **cursor);
int MMofs_command(mmctx *ctx, mmpart *part, const char **cursor);
int MMpin_command(mmctx *ctx, mmpart *part, const char **cursor);
