// Placeholder: the macro table comes with the source reader.
#include "source/macro_table.h"

#include <cstring>

int MMac_init(mmctx *ctx)
{
    memset(ctx->macros, 0, sizeof ctx->macros);
    return 0;
}

void MMac_free(mmctx *ctx) { memset(ctx->macros, 0, sizeof ctx->macros); }

int MMac_extDefine(mmctx *, const char *, const char *, int, MMacFunc) { return 0; }
