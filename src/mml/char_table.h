// The 128-entry character table of the MML interpreter. A handler gets the
// cursor on its command character, advances it past everything it consumed
// and returns 0 to go on, non-zero after storing a pending message.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmpart;

using MMcmdHandler = int (*)(mmctx *ctx, mmpart *part, const char **cursor);

// The handler of a character 0..127.
MMcmdHandler MMmml_charHandler(unsigned ch);
// Reports the character at the cursor as one without a command.
int MMmml_unknownChar(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_octaveUp(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_octaveDown(mmctx *ctx, mmpart *part, const char **cursor);
