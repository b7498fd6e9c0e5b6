// Removes events that only repeat the last value kept for their channel.
#pragma once
#include "store/context.h"

int MMopt_run(mmctx *ctx);
int MMopt_optset(mmctx *ctx, const char *text);
