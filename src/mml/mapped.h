// Letter-map commands: the commands a part's 26 letters are bound to.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmpart;

// Runs the letter-map command `code`; the cursor is on its letter.
int MMmml_mapped(mmctx *ctx, mmpart *part, const char **cursor, int32_t code);
