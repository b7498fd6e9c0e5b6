#include "store/event.h"

#include <cstdint>

#include "base/messages.h"
#include "store/event_pool.h"

namespace {

int64_t workOf(uint32_t length) { return (int64_t)length + MM_EVENT_WORK; }

}  // namespace

mmevt *MMevt_alloc(mmtrk *track, uint32_t clock, uint32_t length)
{
    mmctx *ctx = track->ctx;
    // A length no MIDI file can hold, or a work size past its 32 bits, is
    // treated as exhausted memory.
    if (length > MM_EVENT_MAX_LENGTH || ctx->workSize + workOf(length) > INT32_MAX) {
        MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    mmevt *e = MMpool_alloc(track, length);
    if (!e) {
        MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    e->clock = clock;
    e->track = track;
    e->length = length;
    ctx->workSize = (int32_t)(ctx->workSize + workOf(length));
    return e;
}

// The record goes back to the track that made it.
void MMevt_free(mmtrk *, mmevt *record)
{
    mmtrk *owner = record->track;
    owner->ctx->workSize = (int32_t)(owner->ctx->workSize - workOf(record->length));
    if (owner->cursor == record) owner->cursor = nullptr;
    MMpool_free(owner, record);
}

void MMevt_freeAll(mmtrk *track)
{
    int64_t work = MMpool_release(track);
    track->ctx->workSize = (int32_t)(track->ctx->workSize - work);
    track->head = track->cursor = track->tail = nullptr;
}

// Keeps the list sorted by clock and, among equal clocks, in the order of
// insertion: a record goes after every record of its clock already there.
int MMevt_insert(mmtrk *track, mmevt *e)
{
    mmevt *head = track->head, *tail = track->tail;
    if (!head) {
        e->prev = e->next = nullptr;
        track->head = track->tail = e;
    } else if (e->clock < head->clock) {
        e->prev = nullptr;
        e->next = head;
        head->prev = e;
        track->head = e;
    } else if (e->clock >= tail->clock) {
        e->prev = tail;
        e->next = nullptr;
        tail->next = e;
        track->tail = e;
    } else {
        // Here head->clock <= e->clock < tail->clock, so both walks stop
        // inside the list. The walk starts at the record inserted last:
        // events of one part arrive close to each other.
        mmevt *at = track->cursor ? track->cursor : head;
        mmevt *after;
        if (at->clock > e->clock) {
            while (at->clock > e->clock) at = at->prev;
            after = at;
        } else {
            while (at->clock <= e->clock) at = at->next;
            after = at->prev;
        }
        e->prev = after;
        e->next = after->next;
        after->next->prev = e;
        after->next = e;
    }
    track->cursor = e;
    return 0;
}
