#include "decl/pattern_decl.h"

#include "base/messages.h"

int MMctl_pattern(mmctx *ctx, const char *) { return MM_setErr(ctx, "Unknown control command!!"); }
