#include "mml/pattern_call.h"

#include "mml/char_table.h"

int MMpat_call(mmctx *ctx, mmpart *part, const char **cursor) { return MMmml_unknownChar(ctx, part, cursor); }
