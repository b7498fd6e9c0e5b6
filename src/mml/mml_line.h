// MML lines `name(part) = commands` and the command loop.
#pragma once
#include <cstdint>
#include "store/context.h"

struct mmtrk;

int MMmml_line(mmctx *ctx, const char *text);
int MMmml_exec(mmctx *ctx, mmtrk *track, uint32_t partNumber, const char *text);
