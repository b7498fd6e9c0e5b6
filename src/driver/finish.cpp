#include "driver/finish.h"

#include <cstdio>
#include <initializer_list>

#include "base/messages.h"
#include "output/optimizer.h"
#include "output/smf_writer.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "store/event_writers.h"
#include "store/pattern.h"
#include "store/track.h"

int MM_end(mmctx *ctx)
{
    uint32_t clock = MMmeas_step(ctx);
    // Stop also when the clock wraps around: a song cannot end past 2^32 clocks.
    for (uint32_t last = clock; clock < ctx->maxTrackClock + 1; last = clock) {
        clock = MMmeas_step(ctx);
        if (clock <= last) break;
    }
    return MM_finish(ctx, clock ? clock - 1 : 0);
}

int MM_finish(mmctx *ctx, uint32_t endClock)
{
    if (MMtrk_each(ctx, [&](mmtrk *t) { return MMevt_endTrack(t, endClock); }) < 0) return -1;
    MMtrk_each(ctx, [&](mmtrk *t) {
        MMtrk_close(ctx, t);
        return 0;
    });
    MMpat_free(ctx);
    MMac_free(ctx);
    char size[32];
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_WORKSIZE), MM_sizeStr(ctx->workSize, size));
    if (MMopt_run(ctx) < 0) return -1;
    return MM_writeSmf(ctx);
}

void MM_closeFiles()
{
    mmctx *ctx = &MM_ctx;
    MMcpp_closeAll(ctx);
    for (FILE **fp : {&ctx->outFile, &ctx->errFile, &ctx->msgFile}) {
        if (*fp && *fp != stdout && *fp != stderr) fclose(*fp);
        *fp = nullptr;
    }
    fflush(stdout);
}

void MM_releaseAll()
{
    mmctx *ctx = &MM_ctx;
    MMcpp_closeAll(ctx);
    MMpat_free(ctx);
    MMtrk_freeAll(ctx);
    MMac_free(ctx);
}
