#include "decl/table_decl.h"

#include "base/messages.h"

int MMctl_table(mmctx *ctx, const char *) { return MM_setErr(ctx, "Unknown control command!!"); }

int MMctl_mmlcmd(mmctx *ctx, const char *) { return MM_setErr(ctx, "Unknown control command!!"); }
