// Reading lengths: `:clocks`, a note value (4 = quarter, 8 = eighth ...) and
// dots, each dot adding half of the last increment.
#pragma once
#include <cstdint>

// Reads the digits of a length at the cursor into *length (clocks):
// `:n` gives n (n >= 0), a digit starts a note value n >= 1 giving
// 4 * division / n. Returns 1 when read, 0 when the cursor holds neither form
// (nothing consumed), -1 for a malformed length.
int MMlength_value(int32_t division, const char **cursor, int32_t *length);
// Adds the dots at the cursor to *length.
void MMlength_dots(const char **cursor, int32_t *length);
