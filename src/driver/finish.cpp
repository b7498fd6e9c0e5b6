#include "driver/finish.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "base/files_read.h"
#include "base/limits.h"
#include "base/messages.h"
#include "base/value.h"
#include "base/wrap_int.h"
#include "output/optimizer.h"
#include "output/smf_writer.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "store/event_writers.h"
#include "store/param_table.h"
#include "store/pattern.h"
#include "store/track.h"

int MM_end(mmctx *ctx)
{
    // The measures after the last line go by without pause: their progress
    // lines are written together.
    struct Batch {
        Batch() { MM_progressBatch(true); }
        ~Batch() { MM_progressBatch(false); }
    } batch;
    uint32_t clock = MMmeas_step(ctx);
    // Stop also when the clock wraps around: a song cannot end past 2^32 clocks.
    for (uint32_t last = clock; clock < ctx->maxTrackClock + 1; last = clock) {
        clock = MMmeas_step(ctx);
        if (clock <= last) break;
    }
    return MM_finish(ctx, clock ? clock - 1 : 0);
}

namespace {

// A tied note whose note never came back is still sounding: it ends with its
// track, just before the end-of-track event, so no note is left hanging.
int endHangingNotes(mmctx *ctx, mmtrk *track, uint32_t endClock)
{
    for (mmpart *bucket : track->partBuckets) {
        for (mmpart *part = bucket; part; part = part->next) {
            for (int number = 0; number < MM_NOTES; ++number) {
                if (!part->noteOn[number]) continue;
                MM_warnSong(ctx, "tied note %d of part %u of track %s is still sounding when the track ends; "
                                 "it ends at clock %u", number, part->number, track->name, endClock);
                int32_t offVelocity = MMwrap_add(MMval_get(&part->param[MMP_OFFVEL]),
                                                 MMval_get(&part->offset[MMP_OFFVEL]));
                MMrange range = MMparam_row(MMP_OFFVEL).value;
                offVelocity = std::clamp(offVelocity, range.lo, range.hi);
                if (MMevt_noteOff(track, endClock, (int32_t)part->channel, number, offVelocity) < 0) return -1;
                part->noteOn[number] = 0;
            }
        }
    }
    return 0;
}

}  // namespace

int MM_finish(mmctx *ctx, uint32_t endClock)
{
    auto endTrack = [&](mmtrk *t) {
        if (endHangingNotes(ctx, t, endClock) < 0) return -1;
        return MMevt_endTrack(t, endClock);
    };
    if (MMtrk_each(ctx, endTrack) < 0) return -1;
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

int MM_closeFiles()
{
    mmctx *ctx = &MM_ctx;
    MMcpp_closeAll(ctx);
    int result = 0;
    using Stream = std::pair<FILE **, const char *>;
    for (auto [fp, path] : {Stream{&ctx->outFile, ""}, Stream{&ctx->errFile, ctx->errPath},
                            Stream{&ctx->msgFile, ctx->msgPath}}) {
        FILE *file = *fp;
        *fp = nullptr;
        if (!file || file == stdout || file == stderr) continue;
        // A full disk shows here at the latest: the log the user asked for is short.
        errno = 0;
        bool failed = fflush(file) != 0 || ferror(file);
        int error = errno;
        if (fclose(file) != 0 && !failed) {
            failed = true;
            error = errno;
        }
        if (failed && path[0]) {
            MM_msgf(ctx, MSGC_ERROR, "%s : File write error! (%s)", path, strerror(error ? error : EIO));
            result = -1;
        }
    }
    fflush(stdout);
    return result;
}

void MM_releaseAll()
{
    mmctx *ctx = &MM_ctx;
    MMcpp_closeAll(ctx);
    MMpat_free(ctx);
    MMtrk_freeAll(ctx);
    MMac_free(ctx);
    MM_forgetReads(ctx);
}
