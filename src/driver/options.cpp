// Placeholder option parser; the command-line work replaces it.
#include "driver/options.h"

#include <cstdio>

#include "driver/settings.h"

mmsettings MM_settings = {0, nullptr, 131072, 65536, "", "qoral.zyl", "", {}};

int MM_parseArgs(int argc, char **argv)
{
    MM_ctx.console = 1;
    if (argc > 1) snprintf(MM_ctx.sourceName, sizeof MM_ctx.sourceName, "%s", argv[1]);
    return 0;
}

void MM_usage() {}

#include "driver/paths.h"

void MM_outputName(mmctx *ctx)
{
    if (ctx->outputName[0] == '\0') MM_pathStripExt(ctx->outputName, ctx->sourceName);
    MM_defaultExt(ctx->outputName, ctx->outputName, ".mid");
}
