#include "output/smf_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>
#include <vector>

#include "base/messages.h"
#include "base/paths.h"
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

bool sameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// Until the whole file is written and closed, leaving this scope (a failure,
// or a fatal error unwinding through it) closes the output and deletes it.
// Only a regular file is deleted: an output named after a device stays.
class PartialOutput {
public:
    explicit PartialOutput(mmctx *ctx) : ctx_(ctx)
    {
        struct stat st;
        removable_ = fstat(fileno(ctx->outFile), &st) == 0 && S_ISREG(st.st_mode);
    }
    ~PartialOutput()
    {
        if (kept_) return;
        if (ctx_->outFile) fclose(ctx_->outFile);
        ctx_->outFile = nullptr;
        if (removable_) remove(ctx_->outputName);
    }
    void keep() { kept_ = true; }
    PartialOutput(const PartialOutput &) = delete;
    PartialOutput &operator=(const PartialOutput &) = delete;

private:
    mmctx *ctx_;
    bool removable_ = false;
    bool kept_ = false;
};

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
        if (sameFile(ctx->rollPath, other)) {
            MM_setErrMsg(ctx, "%s : Piano roll would overwrite %s!", ctx->rollPath, other);
            return -1;
        }
    return MMroll_write(ctx, roll, ctx->rollPath);
}

int closeOutput(mmctx *ctx)
{
    errno = 0;
    bool failed = fflush(ctx->outFile) != 0 || ferror(ctx->outFile);
    int error = errno;
    FILE *fp = ctx->outFile;
    ctx->outFile = nullptr;
    errno = 0;
    if (fclose(fp) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    return failed ? writeError(ctx, error) : 0;
}

}  // namespace

void MM_outputName(mmctx *ctx)
{
    if (!ctx->outputName[0]) {
        char source[MM_PATH_SIZE];
        MM_defaultExt(source, ctx->sourceName, ".mml", sizeof source);
        MM_pathStripExt(ctx->outputName, source, sizeof ctx->outputName);
    }
    MM_defaultExt(ctx->outputName, ctx->outputName, ".mid", sizeof ctx->outputName);
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

int MM_writeSmfTrack(mmctx *ctx, mmtrk *track, mmroll *roll)
{
    if (ctx->workMode == 1) {
        if (MMwork_load(track) < 0) {
            releaseLoaded(ctx, track);
            return -1;
        }
        MMopt_thin(track);
    }
    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
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
    MM_outputName(ctx);
    MM_slashPath(ctx->outputName);
    if (sameFile(ctx->outputName, ctx->sourceName)) {
        MM_setErrMsg(ctx, "%s : Output file is the source file!", ctx->outputName);
        return -1;
    }
    ctx->outFile = fopen(ctx->outputName, "wb");
    if (!ctx->outFile) {
        MM_setErrMsg(ctx, "%s : %s", ctx->outputName, MM_text(MSG_FILE_OPEN));
        return -1;
    }
    PartialOutput partial(ctx);
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_OUTPUT_FILENAME), ctx->outputName);
    if (MM_writeSmfHeader(ctx) < 0) return -1;
    MMrollPtr roll = ctx->rollPath[0] ? MMroll_new(ctx->division) : nullptr;
    for (mmtrk *track : tracksInOrder(ctx))
        if (MM_writeSmfTrack(ctx, track, roll.get()) < 0) return -1;
    if (closeOutput(ctx) < 0) return -1;
    // The roll comes last, so a failed MIDI file leaves no roll; a failed roll
    // takes the MIDI file with it.
    if (roll && writeRoll(ctx, roll.get()) < 0) return -1;
    partial.keep();
    return 0;
}
