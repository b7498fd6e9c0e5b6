// Placeholder: the MML interpreter comes with its own issue.
#include "mml/mml_line.h"

#include "driver/messages.h"

int MMmml_line(mmctx *ctx, const char *) { return MM_setErr(ctx, MM_text(MSG_MML_SYNTAX)); }
