#include "store/work.h"

#include <cerrno>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "base/messages.h"
#include "base/stop_signals.h"
#include "store/event.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr size_t kLoadBlock = 1 << 16;   // bytes read from a work file at a time
// The buffer is refilled when less than a short record is left in it, so
// little is moved to its front (a longer record's rest is read on its own).
constexpr size_t kRefillBelow = 8 + 256;

bool tooManyOpen(int error) { return error == EMFILE || error == ENFILE; }

[[noreturn]] void fatal(mmctx *ctx, MMmsgId message)
{
    MM_setErr(ctx, MM_text(message));
    MM_errorReport();
}

// A work file that cannot be opened: its name and the system's reason.
[[noreturn]] void openFailed(mmctx *ctx, const char *name, int error)
{
    MM_setErrMsg(ctx, "%s : %s (%s)", name, MM_text(MSG_FILE_OPEN), strerror(error ? error : EIO));
    MM_errorReport();
}

[[noreturn]] void writeFailed(mmtrk *track, int error)
{
    MM_setErrMsg(track->ctx, "Work file write error! %s: %s", track->workName, strerror(error));
    MM_errorReport();
}

// Hands the staged records to the stream; false when the stream refused them.
bool flushStage(mmtrk *track)
{
    uint32_t staged = track->workStaged;
    track->workStaged = 0;
    return staged == 0 || fwrite_unlocked(track->workStage, 1, staged, track->workFp) == staged;
}

// Closes the stream and frees its slot. Buffered data reaches the file only
// here, so a write that failed (a full disk) shows now; reportFailure makes
// that fatal. Removal at the end and after a read do not report.
void closeStream(mmtrk *track, bool reportFailure)
{
    FILE *fp = track->workFp;
    if (!fp) return;
    errno = 0;
    bool failed = !flushStage(track);
    int error = errno;
    free(track->workStage);
    track->workStage = nullptr;
    track->workFp = nullptr;
    for (mmtrk *&slot : track->ctx->workSlots)
        if (slot == track) slot = nullptr;
    failed = failed || ferror(fp) != 0;
    if (fclose(fp) != 0) {
        failed = true;
        if (!error) error = errno;
    }
    if (failed && reportFailure) writeFailed(track, error ? error : EIO);
}

// Closes the first open stream from the slot the counter names on; false
// when none is open.
bool closeOther(mmctx *ctx)
{
    uint32_t start = ctx->workCounter++ % MM_WORK_SLOTS;
    for (uint32_t i = 0; i < MM_WORK_SLOTS; ++i) {
        if (mmtrk *open = ctx->workSlots[(start + i) % MM_WORK_SLOTS]) {
            closeStream(open, true);
            return true;
        }
    }
    return false;
}

void makeRoom(mmctx *ctx)
{
    if (!closeOther(ctx)) fatal(ctx, MSG_TOO_MANY_FILES);
}

// Creates the work file `name` if no file has that name yet, readable by its
// owner only, and lists it for removal should a signal stop the run.
bool takeName(mmtrk *track, const char *name, unsigned number)
{
    MMholdSignals hold;
    int fd = open(name, O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return false;
    close(fd);
    memcpy(track->workName, name, sizeof track->workName);
    track->workNumber = number;
    MM_guard(MM_GUARD_WORK + (int)number, track->workName);
    return true;
}

// Takes the next free number by creating its file exclusively, so two
// compilers sharing a work path never take the same file. The search goes on
// from the number taken last, so each new file costs one try in the usual
// case, and it tries every number once before it gives up.
void createWorkFile(mmtrk *track)
{
    mmctx *ctx = track->ctx;
    char name[sizeof track->workName];
    for (unsigned tries = 0; tries < MM_WORK_FILES;) {
        unsigned number = ctx->workNextNumber % MM_WORK_FILES;
        snprintf(name, sizeof name, "%s_qv%05u.)0(", ctx->workPath, number);
        errno = 0;
        if (takeName(track, name, number)) {
            ctx->workNextNumber = number + 1;
            return;
        }
        int error = errno;
        if (tooManyOpen(error)) {
            makeRoom(ctx);
            continue;
        }
        if (error != EEXIST) openFailed(ctx, name, error);
        ctx->workNextNumber = number + 1;
        ++tries;
    }
    MM_setErrMsg(ctx, "%s : %s (all %u work-file names are taken in this folder)", ctx->workPath[0] ? ctx->workPath : "./",
                 MM_text(MSG_FILE_OPEN), MM_WORK_FILES);
    MM_errorReport();
}

// Takes the first empty slot from the one the counter names; with all taken,
// the stream in that slot is closed.
void registerStream(mmtrk *track)
{
    mmctx *ctx = track->ctx;
    uint32_t start = ctx->workCounter++ % MM_WORK_SLOTS;
    for (uint32_t i = 0; i < MM_WORK_SLOTS; ++i) {
        mmtrk *&slot = ctx->workSlots[(start + i) % MM_WORK_SLOTS];
        if (!slot) {
            slot = track;
            return;
        }
    }
    closeStream(ctx->workSlots[start], true);
    ctx->workSlots[start] = track;
}

void putLe32(uint8_t *out, uint32_t value)
{
    for (int i = 0; i < 4; ++i) out[i] = (uint8_t)(value >> (8 * i));
}

uint32_t getLe32(const uint8_t *in)
{
    return (uint32_t)in[0] | (uint32_t)in[1] << 8 | (uint32_t)in[2] << 16 | (uint32_t)in[3] << 24;
}

int endOfFile(mmtrk *track)
{
    closeStream(track, false);
    return MM_setErr(track->ctx, MM_text(MSG_EOF_ENCOUNTERED));
}

// One write per record while it is short: a stream call costs more than the
// copy. The compiler is single-threaded, so work streams skip stdio's locks.
void writeRecord(mmtrk *track, FILE *fp, uint32_t clock, const uint8_t *bytes, uint32_t length)
{
    uint8_t buffer[256];
    putLe32(buffer, clock);
    putLe32(buffer + 4, length);
    bool written;
    if (length <= sizeof buffer - 8) {
        memcpy(buffer + 8, bytes, length);
        written = fwrite_unlocked(buffer, 1, 8 + length, fp) == 8 + length;
    } else {
        written = fwrite_unlocked(buffer, 1, 8, fp) == 8 && fwrite_unlocked(bytes, 1, length, fp) == length;
    }
    if (!written) writeFailed(track, errno ? errno : EIO);
}

}  // namespace

FILE *MMwork_open(mmtrk *track, const char *mode)
{
    if (track->workFp) return track->workFp;
    mmctx *ctx = track->ctx;
    if (!track->workName[0]) createWorkFile(track);
    FILE *fp;
    for (;;) {
        errno = 0;
        fp = fopen(track->workName, mode);
        if (fp) break;
        if (!tooManyOpen(errno)) openFailed(ctx, track->workName, errno);
        makeRoom(ctx);
    }
    track->workFp = fp;
    registerStream(track);
    return fp;
}

// A stage is made when the stream opens for the first record after it was
// closed, and goes with the stream (closeStream).
int MMwork_putSlow(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length)
{
    FILE *fp = MMwork_open(track, "ab");
    if (!fp) return -1;
    if (!track->workStage) track->workStage = (uint8_t *)malloc(MM_WORK_STAGE);
    errno = 0;
    if (!track->workStage || length > MM_WORK_STAGED_MAX) {
        if (!flushStage(track)) writeFailed(track, errno ? errno : EIO);
        writeRecord(track, fp, clock, bytes, length);
        return 0;
    }
    if (track->workStaged + 8 + length > MM_WORK_STAGE && !flushStage(track)) writeFailed(track, errno ? errno : EIO);
    return MMwork_put(track, clock, bytes, length);
}

int MMwork_close(mmtrk *track)
{
    closeStream(track, true);
    return 0;
}

int MMwork_load(mmtrk *track)
{
    MMwork_close(track);
    // A track that never wrote an event has no file and nothing to read.
    if (!track->workName[0]) return 0;
    FILE *fp = MMwork_open(track, "rb");
    // The file is read in large blocks; a record may straddle two of them.
    std::vector<uint8_t> buffer(kLoadBlock);
    size_t start = 0, end = 0;
    bool drained = false;      // a short read took the rest of the file
    for (;;) {
        if (!drained && end - start < kRefillBelow) {
            memmove(buffer.data(), buffer.data() + start, end - start);
            end -= start;
            start = 0;
            size_t want = buffer.size() - end;
            size_t got = fread_unlocked(buffer.data() + end, 1, want, fp);
            end += got;
            drained = got < want;
        }
        if (start == end) break;
        // A record head cut short is a damaged file, not the end of one.
        if (end - start < 8) return endOfFile(track);
        uint32_t clock = getLe32(&buffer[start]);
        uint32_t length = getLe32(&buffer[start + 4]);
        // Notes in time order come back encoded, as memory mode keeps them.
        if (track->encodedState != MM_ENC_CLOSED && length == 3 && end - start >= 11) {
            int encoded = MMevt_encode(track, clock, &buffer[start + 8], 3);
            if (encoded < 0) {
                closeStream(track, false);
                return -1;
            }
            if (encoded > 0) {
                start += 11;
                continue;
            }
        }
        if (track->encodedState != MM_ENC_CLOSED && MMevt_stopEncoding(track) < 0) {
            closeStream(track, false);
            return -1;
        }
        mmevt *e = MMevt_alloc(track, clock, length);
        if (!e) {
            closeStream(track, false);
            return -1;
        }
        start += 8;
        size_t have = std::min<size_t>(end - start, length);
        memcpy(e->data(), &buffer[start], have);
        start += have;
        if (have < length && fread_unlocked(e->data() + have, 1, length - have, fp) != length - have) {
            MMevt_free(track, e);
            return endOfFile(track);
        }
    }
    closeStream(track, false);
    return 0;
}

int MMwork_save(mmtrk *track)
{
    MMwork_close(track);
    if (MMevt_stopEncoding(track) < 0) return -1;
    FILE *fp = MMwork_open(track, "wb");
    for (const mmevt *e : MMevt_records(track)) writeRecord(track, fp, e->clock, e->data(), e->length());
    MMwork_close(track);
    MMevt_freeAll(track);
    return 0;
}

void MMwork_remove(mmtrk *track)
{
    closeStream(track, false);
    if (track->workName[0]) {
        MMholdSignals hold;
        remove(track->workName);
        MM_guard(MM_GUARD_WORK + (int)track->workNumber, nullptr);
        track->workName[0] = '\0';
    }
}
