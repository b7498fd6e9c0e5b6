// Notes: `c`..`b` with accidentals and `n` with a note number.
#pragma once
#include "base/context.h"

struct mmpart;

// Plays one note; the cursor is on its letter.
int MMmml_note(mmctx *ctx, mmpart *part, const char **cursor);
