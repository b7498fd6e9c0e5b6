#include "store/event.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <sys/mman.h>

#include "base/messages.h"

namespace {

constexpr size_t kFirstChunk = 4096;                 // chunks double up to kLargestChunk
constexpr size_t kLargestChunk = 2 * 1024 * 1024;    // one huge page where the kernel has them

int64_t workOf(uint32_t length) { return (int64_t)length + MM_EVENT_WORK; }

char *recordsOf(mmevtChunk *chunk) { return (char *)(chunk + 1); }

// A chunk of at least `need` bytes of records. Full-size chunks are aligned
// to their size, so the kernel may back each with one huge page, which
// spares a page fault per 4 KB of records on long songs.
mmevtChunk *newChunk(size_t previous, size_t need)
{
    size_t size = previous ? std::min(previous * 2, kLargestChunk) : kFirstChunk;
    size = std::max(size, sizeof(mmevtChunk) + need);
    void *block;
    if (size == kLargestChunk) {
        block = aligned_alloc(kLargestChunk, kLargestChunk);
#ifdef MADV_HUGEPAGE
        if (block) madvise(block, kLargestChunk, MADV_HUGEPAGE);
#endif
    } else {
        block = malloc(size);
    }
    if (!block) return nullptr;
    mmevtChunk *chunk = (mmevtChunk *)block;
    chunk->next = nullptr;
    chunk->used = 0;
    chunk->size = (uint32_t)(size - sizeof(mmevtChunk));
    return chunk;
}

void freeChunks(mmevtChunk *chunk)
{
    while (chunk) {
        mmevtChunk *next = chunk->next;
        free(chunk);
        chunk = next;
    }
}

}  // namespace

// The inline MMevt_alloc's way when the newest chunk is full or a limit is near.
mmevt *MMevt_allocSlow(mmtrk *track, uint32_t clock, uint32_t length)
{
    mmctx *ctx = track->ctx;
    // A length no MIDI file can hold, or a work size past its 32 bits, is
    // treated as exhausted memory.
    if (length > MM_EVENT_MAX_LENGTH || ctx->workSize + workOf(length) > INT32_MAX) {
        MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    size_t size = MMevt_size(length);
    mmevtChunk *chunk = track->lastChunk;
    if (!chunk || chunk->size - chunk->used < size) {
        mmevtChunk *fresh = newChunk(chunk ? chunk->size + sizeof(mmevtChunk) : 0, size);
        if (!fresh) {
            MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
            return nullptr;
        }
        if (chunk) chunk->next = fresh; else track->firstChunk = fresh;
        track->lastChunk = fresh;
    }
    // The record fits now: the inline way takes it.
    return MMevt_alloc(track, clock, length);
}

int MMevt_encodeSlow(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length)
{
    if (track->encodedState == MM_ENC_CLOSED) return 0;
    bool note = length == 3 && (bytes[0] & 0xE0) == 0x80;
    bool end = length == 3 && bytes[0] == 0xFF && bytes[1] == 0x2F && bytes[2] == 0;
    bool inOrder = clock >= track->encodedClock && clock - track->encodedClock <= MM_VLQ_MAX;
    if (track->encodedState != MM_ENC_OPEN || !(note || end) || !inOrder) {
        if (MMevt_stopEncoding(track) < 0) return -1;
        return 0;
    }
    mmctx *ctx = track->ctx;
    if (ctx->workSize + workOf(length) > INT32_MAX) return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
    if (track->encodedSize - track->encodedUsed < 8) {
        uint32_t size = track->encodedSize ? track->encodedSize * 2 : 4096;
        if (size < track->encodedSize) return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        uint8_t *grown = (uint8_t *)realloc(track->encoded, size);
        if (!grown) return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        track->encoded = grown;
        track->encodedSize = size;
    }
    if (note) return MMevt_encode(track, clock, bytes, length);
    uint8_t *p = MM_putVlq(track->encoded + track->encodedUsed, clock - track->encodedClock);
    memcpy(p, bytes, length);
    track->encodedUsed = (uint32_t)(p + length - track->encoded);
    track->encodedClock = clock;
    track->encodedRunning = 0;
    track->encodedState = MM_ENC_ENDED;
    track->eventWork += workOf(length);
    ctx->workSize = (int32_t)(ctx->workSize + workOf(length));
    return 1;
}

// The encoded bytes hold only notes (running status allowed) and the end of
// track, so each becomes a record of three bytes. The events leave the work
// size and come back into it as records.
int MMevt_stopEncoding(mmtrk *track)
{
    if (track->encodedState == MM_ENC_CLOSED) return 0;
    uint8_t *bytes = track->encoded;
    uint32_t used = track->encodedUsed;
    track->encoded = nullptr;
    track->encodedUsed = track->encodedSize = 0;
    track->encodedState = MM_ENC_CLOSED;
    mmctx *ctx = track->ctx;
    ctx->workSize = (int32_t)(ctx->workSize - track->eventWork);
    track->eventWork = 0;
    uint32_t clock = 0;
    uint8_t running = 0;
    for (const uint8_t *p = bytes, *end = bytes + used; p < end;) {
        uint32_t delta = 0;
        do delta = delta << 7 | (*p & 0x7f); while (*p++ & 0x80);
        clock += delta;
        uint8_t record[3];
        if (*p == 0xFF) {
            memcpy(record, p, 3);
            p += 3;
            running = 0;
        } else {
            if (*p & 0x80) running = *p++;
            record[0] = running;
            record[1] = p[0];
            record[2] = p[1];
            p += 2;
        }
        mmevt *e = MMevt_alloc(track, clock, 3);
        if (!e) {
            free(bytes);
            return -1;
        }
        memcpy(e->data(), record, 3);
    }
    free(bytes);
    return 0;
}

void MMevt_free(mmtrk *track, mmevt *record)
{
    if (record->head & MM_EVENT_GONE) return;
    track->eventWork -= workOf(record->length());
    track->ctx->workSize = (int32_t)(track->ctx->workSize - workOf(record->length()));
    record->head |= MM_EVENT_GONE;
}

void MMevt_freeAll(mmtrk *track)
{
    freeChunks(track->firstChunk);
    track->firstChunk = track->lastChunk = nullptr;
    free(track->encoded);
    track->encoded = nullptr;
    track->encodedUsed = track->encodedSize = track->encodedClock = 0;
    track->encodedRunning = 0;
    track->encodedState = MM_ENC_OPEN;
    track->ctx->workSize = (int32_t)(track->ctx->workSize - track->eventWork);
    track->eventWork = 0;
    track->lastEventClock = 0;
    track->eventsUnordered = false;
}

bool MMevt_none(const mmtrk *track)
{
    return !MMevt_isEncoded(track) && !(MMevt_records(track).begin() != MMevt_records(track).end());
}

namespace {

// A stable sort of records that come in runs already in time order, as the
// parts of a track write them a stretch at a time: adjacent runs are merged
// pairwise, the earlier run first among equal clocks, and two runs already in
// order cost nothing. Usually only the first round has real work.
void mergeRuns(std::vector<mmevt *> &order)
{
    std::vector<size_t> bounds = {0};
    for (size_t i = 1; i < order.size(); ++i)
        if (order[i]->clock < order[i - 1]->clock) bounds.push_back(i);
    bounds.push_back(order.size());
    std::vector<mmevt *> left;
    while (bounds.size() > 2) {
        std::vector<size_t> merged;
        for (size_t run = 0; run + 1 < bounds.size(); run += 2) {
            merged.push_back(bounds[run]);
            if (run + 2 >= bounds.size()) break;
            auto from = order.begin() + (ptrdiff_t)bounds[run], middle = order.begin() + (ptrdiff_t)bounds[run + 1],
                 to = order.begin() + (ptrdiff_t)bounds[run + 2];
            if ((*(middle - 1))->clock <= (*middle)->clock) continue;
            // Only where the two runs overlap in time do records move: the
            // left run's head and the right run's tail stay where they are.
            from = std::upper_bound(from, middle, (*middle)->clock,
                                    [](uint32_t clock, const mmevt *e) { return clock < e->clock; });
            to = std::lower_bound(middle, to, (*(middle - 1))->clock,
                                  [](const mmevt *e, uint32_t clock) { return e->clock < clock; });
            left.assign(from, middle);
            auto l = left.begin(), r = middle, out = from;
            while (l != left.end() && r != to) *out++ = (*r)->clock < (*l)->clock ? *r++ : *l++;
            std::copy(l, left.end(), out);
        }
        merged.push_back(order.size());
        bounds.swap(merged);
    }
}

}  // namespace

// Records mostly come in time order: only a track whose parts overlap, or
// whose events were delayed or shortened, needs the sort. The sorted records
// are copied into one new chunk, which the walks then read in order.
bool MMevt_order(mmtrk *track)
{
    if (MMevt_isEncoded(track) && MMevt_stopEncoding(track) < 0) return false;
    if (!track->eventsUnordered) return true;
    std::vector<mmevt *> order;
    size_t bytes = 0;
    for (mmevt *e : MMevt_records(track)) {
        order.push_back(e);
        bytes += MMevt_sizeOf(e);
    }
    mergeRuns(order);
    mmevtChunk *sorted = newChunk(0, std::max<size_t>(bytes, 1));
    if (!sorted) return false;
    char *out = recordsOf(sorted);
    for (const mmevt *e : order) {
        size_t size = MMevt_sizeOf(e);
        if (size == sizeof(mmevt))
            memcpy(out, e, sizeof(mmevt));    // a channel event, copied in one move
        else
            memcpy(out, e, size);
        out += size;
    }
    sorted->used = (uint32_t)bytes;
    track->lastEventClock = order.empty() ? 0 : order.back()->clock;
    freeChunks(track->firstChunk);
    track->firstChunk = track->lastChunk = sorted;
    track->eventsUnordered = false;
    return true;
}
