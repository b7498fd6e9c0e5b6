#include "store/measure.h"

#include "base/messages.h"
#include "store/track.h"

uint32_t MMmeas_step(mmctx *ctx)
{
    int32_t length = (int32_t)ctx->curSignature[0] * ctx->division * 4 / (1 << ctx->curSignature[1]);
    uint32_t measureEnd = ctx->measureClock + (uint32_t)length;
    MMtrk_each(ctx, [&](mmtrk *t) {
        MMtrk_syncTo(ctx, t, measureEnd);
        if (t->maxClock > ctx->maxTrackClock) ctx->maxTrackClock = t->maxClock;
        return 0;
    });
    ++ctx->measureCount;
    char size[32];
    MM_msgf(ctx, MSGC_PROGRESS, MM_text(MSG_PROGRESS), measureEnd, ctx->measureCount, ctx->curSignature[0],
            1 << ctx->curSignature[1], MM_sizeStr(ctx->workSize, size));
    ctx->measureClock = measureEnd;
    return measureEnd;
}
