#include "output/smf_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/files_read.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/replace_file.h"
#include "base/stop_signals.h"
#include "output/optimizer.h"
#include "output/roll.h"
#include "output/smf_track.h"
#include "store/event.h"
#include "store/work.h"

// The writer's error texts exist in English only, whatever the message
// language; users know them in that form.

namespace {

int writeError(mmctx *ctx, int error)
{
    MM_setErrMsg(ctx, "%s : File write error! (%s)", ctx->outputName, strerror(error ? error : EIO));
    return -1;
}

int writeBytes(mmctx *ctx, const uint8_t *bytes, size_t count)
{
    errno = 0;
    if (fwrite(bytes, 1, count, ctx->outFile) != count) return writeError(ctx, errno);
    return 0;
}

void putBig(uint8_t *to, uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8) to[i] = (uint8_t)value;
}

// The MIDI file goes out under a temporary name and takes the place of the
// old one only when complete. Until then, leaving this scope (a failure, or a
// fatal error unwinding through it) closes and removes the temporary file.
class PartialOutput {
public:
    explicit PartialOutput(mmctx *ctx) : ctx_(ctx), file_(MM_GUARD_OUTPUT) {}
    ~PartialOutput() { ctx_->outFile = nullptr; }
    bool open()
    {
        ctx_->outFile = file_.open(ctx_->outputName);
        return ctx_->outFile != nullptr;
    }
    int close()
    {
        ctx_->outFile = nullptr;
        return file_.close() < 0 ? writeError(ctx_, errno) : 0;
    }
    int commit() { return file_.commit() < 0 ? writeError(ctx_, errno) : 0; }
    PartialOutput(const PartialOutput &) = delete;
    PartialOutput &operator=(const PartialOutput &) = delete;

private:
    mmctx *ctx_;
    MMreplaceFile file_;
};

// A file the run writes must not be one it reads or one it writes otherwise.
// `what` names the file in the message; its own name leads it.
int refuseOverwrite(mmctx *ctx, const char *what, const char *name)
{
    if (MM_sameFile(name, ctx->sourceName)) {
        MM_setErrMsg(ctx, "%s : %s is the source file!", name, what);
        return -1;
    }
    if (const char *read = MM_readAs(ctx, name)) {
        MM_setErrMsg(ctx, "%s : %s is %s, which the song reads!", name, what, read);
        return -1;
    }
    for (const char *log : {ctx->errPath, ctx->msgPath})
        if (log[0] && MM_sameFile(name, log)) {
            MM_setErrMsg(ctx, "%s : %s is the %s file!", name, what, log == ctx->errPath ? "error" : "message");
            return -1;
        }
    return 0;
}

// Tracks in ascending track number.
std::vector<mmtrk *> tracksInOrder(mmctx *ctx)
{
    std::vector<mmtrk *> tracks;
    tracks.reserve((size_t)std::max(ctx->trackCount, 0));
    MMtrk_each(ctx, [&](mmtrk *t) {
        tracks.push_back(t);
        return 0;
    });
    std::sort(tracks.begin(), tracks.end(), [](const mmtrk *a, const mmtrk *b) { return a->number < b->number; });
    return tracks;
}

// In file mode a track's records live in memory only while it is written.
// The dump listing reads the work files afterwards, so with it on they take
// the thinned list back.
void releaseLoaded(mmctx *ctx, mmtrk *track)
{
    if (ctx->workMode != 1) return;
    if (ctx->dumpMsg)
        MMwork_save(track);
    else
        MMevt_freeAll(track);
}

int writeRoll(mmctx *ctx, const mmroll *roll)
{
    MM_slashPath(ctx->rollPath);
    for (const char *other : {ctx->sourceName, ctx->outputName})
        if (MM_sameFile(ctx->rollPath, other)) {
            MM_setErrMsg(ctx, "%s : Piano roll would overwrite %s!", ctx->rollPath, other);
            return -1;
        }
    if (refuseOverwrite(ctx, "Piano roll", ctx->rollPath) < 0) return -1;
    return MMroll_write(ctx, roll, ctx->rollPath);
}

}  // namespace

int MM_outputName(mmctx *ctx)
{
    if (!ctx->outputName[0]) {
        char source[MM_PATH_SIZE];
        if (MM_defaultExt(source, ctx->sourceName, ".mml", sizeof source) == 0)
            MM_pathStripExt(ctx->outputName, source, sizeof ctx->outputName);
    }
    if (ctx->outputName[0] && MM_defaultExt(ctx->outputName, ctx->outputName, ".mid", sizeof ctx->outputName) == 0)
        return 0;
    ctx->outputName[0] = '\0';
    MM_setErrMsg(ctx, "%s : Output file name would be longer than %d bytes!", ctx->sourceName, MM_PATH_SIZE - 1);
    return -1;
}

int MM_writeSmfHeader(mmctx *ctx)
{
    if (ctx->trackCount > MM_MAX_TRACKS) {
        MM_setErrMsg(ctx, "%s : Too many tracks for a MIDI file!", ctx->outputName);
        return -1;
    }
    uint8_t header[14] = {'M', 'T', 'h', 'd'};
    putBig(header + 4, 6, 4);
    putBig(header + 8, 1, 2);
    putBig(header + 10, (uint32_t)ctx->trackCount, 2);
    putBig(header + 12, (uint32_t)ctx->division, 2);
    return writeBytes(ctx, header, sizeof header);
}

int MM_writeSmfTrack(mmctx *ctx, mmtrk *track, std::vector<uint8_t> &chunk, mmroll *roll)
{
    if (ctx->workMode == 1) {
        if (MMwork_load(track) < 0) {
            releaseLoaded(ctx, track);
            return -1;
        }
        if (MMopt_thin(track) < 0) {
            releaseLoaded(ctx, track);
            return -1;
        }
    }
    // Encoded events are in order already, and written as they are.
    if (!MMevt_isEncoded(track) && !MMevt_order(track)) return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
    chunk.assign({'M', 'T', 'r', 'k', 0, 0, 0, 0});
    int written = MM_smfTrackEvents(ctx, track, chunk);
    releaseLoaded(ctx, track);
    if (written < 0) return -1;
    if (roll) MMroll_addTrack(roll, track, track == ctx->ctrlTrack, chunk.data() + 8, chunk.size() - 8);
    size_t length = chunk.size() - 8;
    if (length > UINT32_MAX) {
        MM_setErrMsg(ctx, "%s : Track too long for a MIDI file!", ctx->outputName);
        return -1;
    }
    putBig(chunk.data() + 4, (uint32_t)length, 4);
    return writeBytes(ctx, chunk.data(), chunk.size());
}

int MM_writeSmf(mmctx *ctx)
{
    if (MM_outputName(ctx) < 0) return -1;
    MM_slashPath(ctx->outputName);
    if (refuseOverwrite(ctx, "Output file", ctx->outputName) < 0) return -1;
    PartialOutput partial(ctx);
    if (!partial.open()) {
        MM_setErrMsg(ctx, "%s : %s", ctx->outputName, MM_text(MSG_FILE_OPEN));
        return -1;
    }
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_OUTPUT_FILENAME), ctx->outputName);
    if (MM_writeSmfHeader(ctx) < 0) return -1;
    MMrollPtr roll = ctx->rollPath[0] ? MMroll_new(ctx->division) : nullptr;
    // One buffer serves every track: its pages are touched once, not once a track.
    std::vector<uint8_t> chunk;
    for (mmtrk *track : tracksInOrder(ctx))
        if (MM_writeSmfTrack(ctx, track, chunk, roll.get()) < 0) return -1;
    if (partial.close() < 0) return -1;
    // The roll comes before the MIDI file takes its place, so a failed roll
    // leaves the old MIDI file as it was.
    if (roll && writeRoll(ctx, roll.get()) < 0) return -1;
    return partial.commit();
}
