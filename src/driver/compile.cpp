#include "driver/compile.h"

#include <ctime>

#include "decl/control.h"
#include "decl/pattern.h"
#include "driver/messages.h"
#include "mml/mml_line.h"
#include "mml/parse.h"
#include "output/optimizer.h"
#include "output/smf_writer.h"
#include "script/startup.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "store/event.h"
#include "store/track.h"

namespace {

constexpr const char *kBanner = "Sorvane Compiler ver.3.02a edition #01\n";

bool isBlankLine(const char *line)
{
    while (MM_isBlank((unsigned char)*line)) ++line;
    return *line == '\0';
}

// Routes one expanded line; a non-zero result is a failure with a pending message.
int dispatchLine(mmctx *ctx, const char *line)
{
    if (line[0] == '/') {
        MM_msg(ctx, MSGC_REMARK, line);
        return 0;
    }
    if (line[0] == '.') return MMctl_line(ctx, line);
    return MMmml_line(ctx, line);
}

void printTiming(mmctx *ctx, time_t start)
{
    long seconds = (long)difftime(time(nullptr), start);
    char text[128];
    if (seconds > 60)
        snprintf(text, sizeof text, MM_text(MSG_TIME_LONG), seconds, seconds / 60, seconds % 60);
    else
        snprintf(text, sizeof text, MM_text(MSG_TIME_SHORT), seconds);
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_COMPILE_END), MM_timeStr());
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_COMPILE_TIME), text);
}

}  // namespace

int MM_compile()
{
    mmctx *ctx = &MM_ctx;
    MM_msg(ctx, MSGC_PLAIN, kBanner);
    MM_msgf(ctx, MSGC_SIZE, "mmtrk  work size  %8u", (unsigned)MM_TRACK_WORK);
    MM_msgf(ctx, MSGC_SIZE, "mmpart work size  %8u", (unsigned)MM_PART_WORK);
    if (MM_startup() < 0) {
        if (ctx->errMsg && ctx->errMsg[0]) MM_msg(ctx, MSGC_ERROR, ctx->errMsg);
        MM_closeFiles();
        MM_releaseAll();
        return -1;
    }
    time_t start = time(nullptr);
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_COMPILE_START), MM_timeStr());
    MM_msg(ctx, MSGC_PLAIN, "");
    while (!ctx->ended) {
        ctx->errPoint = nullptr;
        ctx->errMsg = nullptr;
        char *line = MMcpp_getLine(ctx);
        if (!line) {
            if (ctx->errMsg) MM_errorReport();
            if (!ctx->ended && MM_end(ctx, "") != 0) MM_errorReport();
            break;
        }
        // A line of blanks (trailing spaces, a lone tab) is as empty as an empty one.
        if (isBlankLine(line)) continue;
        if (dispatchLine(ctx, line) != 0) MM_errorReport();
    }
    MM_msg(ctx, MSGC_PLAIN, "");
    printTiming(ctx, start);
    // The dump listing comes with the generators; nothing to print yet.
    MM_closeFiles();
    MM_releaseAll();
    return 0;
}

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

int MM_end(mmctx *ctx, const char *)
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
    ctx->ended = 1;
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
