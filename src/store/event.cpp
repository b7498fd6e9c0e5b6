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
    track->ctx->workSize = (int32_t)(track->ctx->workSize - track->eventWork);
    track->eventWork = 0;
    track->lastEventClock = 0;
    track->eventsUnordered = false;
}

bool MMevt_none(const mmtrk *track)
{
    return !(MMevt_records(track).begin() != MMevt_records(track).end());
}

// Records mostly come in time order: only a track whose parts overlap, or
// whose events were delayed or shortened, needs the sort. The sorted records
// are copied into one new chunk, which the walks then read in order.
bool MMevt_order(mmtrk *track)
{
    if (!track->eventsUnordered) return true;
    std::vector<mmevt *> order;
    size_t bytes = 0;
    for (mmevt *e : MMevt_records(track)) {
        order.push_back(e);
        bytes += MMevt_sizeOf(e);
    }
    std::stable_sort(order.begin(), order.end(), [](const mmevt *a, const mmevt *b) { return a->clock < b->clock; });
    mmevtChunk *sorted = newChunk(0, std::max<size_t>(bytes, 1));
    if (!sorted) return false;
    char *out = recordsOf(sorted);
    for (const mmevt *e : order) {
        size_t size = MMevt_sizeOf(e);
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
