// Placeholder: the typed writers come with the event store.
#include "store/event.h"

#include <cstdlib>
#include <cstring>

#include "driver/messages.h"

mmevt *MMevt_alloc(mmtrk *track, uint32_t clock, uint32_t length)
{
    mmevt *e = (mmevt *)calloc(1, sizeof(mmevt) + length);
    if (!e) {
        MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    e->clock = clock;
    e->track = track;
    e->length = length;
    track->ctx->workSize += (int32_t)length + MM_EVENT_WORK;
    return e;
}

void MMevt_free(mmtrk *track, mmevt *record)
{
    track->ctx->workSize -= (int32_t)record->length + MM_EVENT_WORK;
    free(record);
}

int MMevt_insert(mmtrk *track, mmevt *e)
{
    e->prev = track->tail;
    e->next = nullptr;
    if (track->tail) track->tail->next = e; else track->head = e;
    track->tail = track->cursor = e;
    return 0;
}

int MMevt_endTrack(mmtrk *track, uint32_t clock)
{
    mmevt *e = MMevt_alloc(track, clock, 3);
    if (!e) return -1;
    memcpy(e->data, "\xff\x2f\x00", 3);
    if (clock > track->maxClock) track->maxClock = clock;
    return MMevt_insert(track, e);
}
