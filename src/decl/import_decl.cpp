#include "decl/import_decl.h"

#include "base/messages.h"

int MMctl_import(mmctx *ctx, const char *) { return MM_setErr(ctx, "Unknown control command!!"); }
