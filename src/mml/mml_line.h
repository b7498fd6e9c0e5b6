// MML lines `name(part) = commands` and the command loop.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmtrk;

// Longest track macro name an MML line may give.
constexpr int MM_MML_NAME_MAX = 63;

int MMmml_line(mmctx *ctx, const char *text);
// Runs the commands of `text` in the part `partNumber` of `track` (made on
// first use); 0 at the end of the text, -1 at the first failing command.
int MMmml_exec(mmctx *ctx, mmtrk *track, uint32_t partNumber, const char *text);
