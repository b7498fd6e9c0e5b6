#include "script/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decl/pattern.h"
#include "driver/messages.h"
#include "driver/paths.h"
#include "driver/settings.h"
#include "mml/random.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "store/track.h"

namespace {

constexpr int32_t kDefaultCmdMap[MM_LETTERS] = {-1, -1, -1, -1, -1, -1, -1, 2, 0, 0, 11, -1, 129,
                                                -1, 12, 138, 16, -1, 4, 1, 22, 13, 135, 139, 0, 0};

void setDefaults(mmctx *ctx)
{
    memcpy(ctx->cmdMap, kDefaultCmdMap, sizeof ctx->cmdMap);
    ctx->ended = 0;
    ctx->division = 960;
    ctx->tempoWritten = 0;
    ctx->tempo = ctx->curTempo = 500000;
    ctx->signatureWritten = 0;
    ctx->maxTrackClock = ctx->measureClock = 0;
    ctx->measureCount = 0;
    static constexpr uint8_t kSignature[4] = {4, 2, 24, 8};
    memcpy(ctx->signature, kSignature, 4);
    memcpy(ctx->curSignature, kSignature, 4);
    ctx->title[0] = ctx->copyright[0] = '\0';
    ctx->errBuf[0] = '\0';
    ctx->errMsg = ctx->errBuf;
    ctx->workSize = 0;
}

FILE *openText(const char *path) { return path[0] ? fopen(path, "w") : nullptr; }

}  // namespace

int MM_findZylFile(char *path)
{
    // Placeholder search: the script directory only.
    MM_pathJoin(path, MM_settings.zylFile);
    FILE *fp = fopen(path, "r");
    if (!fp) return 0;
    fclose(fp);
    return 1;
}

int MM_startup()
{
    mmctx *ctx = &MM_ctx;
    ctx->errFile = openText(ctx->errPath);
    ctx->msgFile = openText(ctx->msgPath);
    setDefaults(ctx);
    if (MMac_init(ctx) < 0) return -1;
    if (MMtrk_int(ctx) < 0) return -1;
    MMpat_clear(ctx);
    MM_defaultExt(ctx->sourceName, ctx->sourceName, ".mml");
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_SOURCE_FILENAME), ctx->sourceName);
    return MMcpp_open(ctx, ctx->sourceName);
}
