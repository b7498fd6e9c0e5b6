// Reading lengths: `:clocks`, a note value (4 = quarter, 8 = eighth ...) and
// dots, each dot adding half of the last increment.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmpart;

// Reads the digits of a length at the cursor into *length (clocks):
// `:n` gives n (n >= 0), a digit starts a note value n >= 1 giving
// 4 * division / n. Returns 1 when read, 0 when the cursor holds neither form
// (nothing consumed), -1 for a malformed length.
int MMlength_value(int32_t division, const char **cursor, int32_t *length);
// Adds the dots at the cursor to *length.
void MMlength_dots(const char **cursor, int32_t *length);

// Reads a length (`:clocks`, a note value such as 4 or 8, then dots) into
// *length. Without a length, allowDefault takes the part's default length;
// otherwise, and for a malformed length, the read fails.
int MMmml_length(mmctx *ctx, mmpart *part, int allowDefault, const char **cursor, int32_t *length);
// `l`: the part's default length.
int MMmml_defaultLength(mmctx *ctx, mmpart *part, const char **cursor);
// `r`: a rest of the length given or the default length.
int MMmml_rest(mmctx *ctx, mmpart *part, const char **cursor);
