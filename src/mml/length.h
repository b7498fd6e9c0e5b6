// Lengths of notes and rests in a part (base/length.h reads the length text),
// the default length `l` and rests `r`.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmpart;

// Reads a length (`:clocks`, a note value such as 4 or 8, then dots) into
// *length. Without a length, allowDefault takes the part's default length;
// otherwise, and for a malformed length, the read fails.
int MMmml_length(mmctx *ctx, mmpart *part, int allowDefault, const char **cursor, int32_t *length);
// `l`: the part's default length.
int MMmml_defaultLength(mmctx *ctx, mmpart *part, const char **cursor);
// `r`: a rest of the length given or the default length.
int MMmml_rest(mmctx *ctx, mmpart *part, const char **cursor);
