// The command handlers of the MML interpreter. A handler gets the cursor on
// its command character, advances it past everything it consumed and returns
// 0 to go on, non-zero after storing a pending message.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmpart;

using MMcmdHandler = int (*)(mmctx *ctx, mmpart *part, const char **cursor);

// The handler of a character 0..127 (the 128-entry character table).
MMcmdHandler MMmml_charHandler(unsigned ch);
// Runs the letter-map command `code`; the cursor is on its letter.
int MMmml_mapped(mmctx *ctx, mmpart *part, const char **cursor, int32_t code);
// Reports the character at the cursor as one without a command.
int MMmml_unknownChar(mmctx *ctx, mmpart *part, const char **cursor);

int MMmml_note(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_rest(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_defaultLength(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_octaveUp(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_octaveDown(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_tupletOpen(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_tupletClose(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_partCommand(mmctx *ctx, mmpart *part, const char **cursor);

// Reads a length (`:clocks`, a note value such as 4 or 8, then dots) into
// *length. Without a length, allowDefault takes the part's default length;
// otherwise, and for a malformed length, the read fails.
int MMmml_length(mmctx *ctx, mmpart *part, int allowDefault, const char **cursor, int32_t *length);

