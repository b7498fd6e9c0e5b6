// Placeholder line reader: returns the main source's lines as they stand.
#include "source/reader.h"

#include <cstring>

#include "driver/messages.h"

FILE *MM_fopen(mmctx *, const char *name, const char *mode) { return fopen(name, mode); }

int MMcpp_push(mmctx *ctx, const char *name)
{
    if (ctx->fileDepth >= MM_MAX_SOURCES) return MM_setErr(ctx, MM_text(MSG_TOO_MANY_FILES));
    SourceFile &file = ctx->fileStack[ctx->fileDepth++];
    memset(&file, 0, sizeof file);
    snprintf(file.name, sizeof file.name, "%s", name);
    file.fp = MM_fopen(ctx, name, "rb");
    if (!file.fp) {
        MM_setErrMsg(ctx, "%s : %s", name, MM_text(MSG_FILE_OPEN));
        return -1;
    }
    return 0;
}

int MMcpp_open(mmctx *ctx, const char *name)
{
    ctx->fileDepth = 0;
    return MMcpp_push(ctx, name);
}

char *MMcpp_getLine(mmctx *ctx)
{
    while (ctx->fileDepth > 0) {
        SourceFile &file = ctx->fileStack[ctx->fileDepth - 1];
        if (fgets(ctx->lineBuf, sizeof ctx->lineBuf, file.fp)) {
            ++file.line;
            ctx->lineBuf[strcspn(ctx->lineBuf, "\r\n")] = '\0';
            return ctx->lineBuf;
        }
        fclose(file.fp);
        file.fp = nullptr;
        --ctx->fileDepth;
    }
    return nullptr;
}

void MMcpp_closeAll(mmctx *ctx)
{
    for (SourceFile &file : ctx->fileStack) {
        if (file.fp) fclose(file.fp);
        file.fp = nullptr;
    }
    ctx->fileDepth = 0;
}
