// The stored events of a track (store/event_writers.h makes them): encoded
// events while the track's notes come in time order (below), else records,
// appended to the track's storage as they are written and walked in time
// order; among equal clocks they keep the order written.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "base/vlq.h"
#include "store/track.h"

// Each record counts its payload plus this in the work size.
constexpr int32_t MM_EVENT_WORK = 23;
// The longest payload a record can hold: the largest length a MIDI file can
// express.
constexpr uint32_t MM_EVENT_MAX_LENGTH = MM_VLQ_MAX;

// A record: its clock, a head byte, then the payload. The head holds the
// payload length below MM_EVENT_LONG; a longer payload has the head
// MM_EVENT_LONG and its length in the four bytes after it. A channel event
// takes 8 bytes in all.
constexpr uint8_t MM_EVENT_LONG = 0x7f;
// Set in the head of a record that was taken away; walks skip it.
constexpr uint8_t MM_EVENT_GONE = 0x80;

struct mmevt {
    uint32_t clock;
    uint8_t head;
    uint8_t bytes[];           // the payload, or the long length and then the payload

    bool isLong() const { return (head & MM_EVENT_LONG) == MM_EVENT_LONG; }
    uint32_t length() const
    {
        if (!isLong()) return head & MM_EVENT_LONG;
        uint32_t length;
        memcpy(&length, bytes, sizeof length);
        return length;
    }
    uint8_t *data() { return bytes + (isLong() ? 4 : 0); }
    const uint8_t *data() const { return bytes + (isLong() ? 4 : 0); }
};

// A block of a track's record storage; records lie back to back from the end
// of this head, each rounded up to 4 bytes.
struct mmevtChunk {
    mmevtChunk *next;
    uint32_t used;             // bytes of records after the head
    uint32_t size;             // bytes available after the head
};

// Bytes a record of `length` payload bytes takes.
constexpr size_t MMevt_size(uint32_t length)
{
    size_t head = offsetof(mmevt, bytes) + (length < MM_EVENT_LONG ? 0 : 4);
    return (head + length + 3) & ~(size_t)3;
}
inline size_t MMevt_sizeOf(const mmevt *e)
{
    if (!e->isLong()) return (offsetof(mmevt, bytes) + (e->head & MM_EVENT_LONG) + 3) & ~(size_t)3;
    return MMevt_size(e->length());
}

// Appends a record with room for `length` payload bytes (not cleared) to the
// track's storage and counts it in the work size; null with the error set
// when memory or the work size is exhausted. Every event written comes here,
// so the common case (room left in the newest chunk) is inline.
mmevt *MMevt_allocSlow(mmtrk *track, uint32_t clock, uint32_t length);
[[gnu::always_inline]] inline mmevt *MMevt_alloc(mmtrk *track, uint32_t clock, uint32_t length)
{
    mmevtChunk *chunk = track->lastChunk;
    size_t size = MMevt_size(length);
    int64_t work = (int64_t)length + MM_EVENT_WORK;
    mmctx *ctx = track->ctx;
    if (!chunk || chunk->size - chunk->used < size || length > MM_EVENT_MAX_LENGTH ||
        ctx->workSize + work > INT32_MAX) [[unlikely]]
        return MMevt_allocSlow(track, clock, length);
    mmevt *e = (mmevt *)((char *)(chunk + 1) + chunk->used);
    chunk->used += (uint32_t)size;
    e->clock = clock;
    if (length < MM_EVENT_LONG) {
        e->head = (uint8_t)length;
    } else {
        e->head = MM_EVENT_LONG;
        memcpy(e->bytes, &length, sizeof length);
    }
    if (clock < track->lastEventClock) track->eventsUnordered = true;
    track->lastEventClock = clock;
    track->eventWork += work;
    ctx->workSize = (int32_t)(ctx->workSize + work);
    return e;
}

// Encoded events. While a track's events come in time order and are notes or
// its end, they are kept as the MIDI file will hold them (delta times,
// running status): a few bytes an event, and nothing left for the optimiser
// or the writer to do. The first other event (an earlier clock, a kind the
// optimiser may remove, an event after the end) turns what was encoded into
// records, and the track keeps records from then on. A track holds encoded
// events or records, never both. File mode writes its events to work files
// and encodes nothing.
enum MMencState : uint8_t {
    MM_ENC_OPEN,               // events may be encoded
    MM_ENC_ENDED,              // the end of track is encoded: what follows is a record
    MM_ENC_CLOSED,             // records only
};

// Encodes an event of `length` bytes (a record's payload) at `clock`: 1 when
// it is encoded, 0 when it must be a record instead (earlier events are
// records by then), -1 with the error set when memory or the work size is
// exhausted. It counts in the work size as its record would.
int MMevt_encodeSlow(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length);
[[gnu::always_inline]] inline int MMevt_encode(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length)
{
    uint8_t status = bytes[0];
    mmctx *ctx = track->ctx;
    int64_t work = (int64_t)length + MM_EVENT_WORK;
    uint32_t delta = clock - track->encodedClock;
    // The common case: a note, in order, with room left.
    if (track->encodedState != MM_ENC_OPEN || length != 3 || (status & 0xE0) != 0x80 ||
        clock < track->encodedClock || delta > MM_VLQ_MAX || track->encodedSize - track->encodedUsed < 8 ||
        ctx->workSize + work > INT32_MAX) [[unlikely]]
        return MMevt_encodeSlow(track, clock, bytes, length);
    uint8_t *p = MM_putVlq(track->encoded + track->encodedUsed, delta);
    if (status != track->encodedRunning) *p++ = status;
    track->encodedRunning = status;
    *p++ = bytes[1];
    *p++ = bytes[2];
    track->encodedUsed = (uint32_t)(p - track->encoded);
    track->encodedClock = clock;
    track->eventWork += work;
    ctx->workSize = (int32_t)(ctx->workSize + work);
    return 1;
}
// A note's on and off events at once (`on` <= `off`), each three bytes; false
// when they do not both go the short way of MMevt_encode, and then nothing is
// written. Most notes of a song come here.
[[gnu::always_inline]] inline bool MMevt_encodeNote(mmtrk *track, uint32_t on, const uint8_t onBytes[3], uint32_t off,
                                                    const uint8_t offBytes[3])
{
    mmctx *ctx = track->ctx;
    constexpr int64_t work = 2 * (3 + MM_EVENT_WORK);
    if (track->encodedState != MM_ENC_OPEN || (onBytes[0] & 0xE0) != 0x80 || (offBytes[0] & 0xE0) != 0x80 ||
        on < track->encodedClock || off < on || off - track->encodedClock > MM_VLQ_MAX ||
        track->encodedSize - track->encodedUsed < 16 || ctx->workSize + work > INT32_MAX)
        return false;
    uint8_t *p = MM_putVlq(track->encoded + track->encodedUsed, on - track->encodedClock);
    if (onBytes[0] != track->encodedRunning) *p++ = onBytes[0];
    *p++ = onBytes[1];
    *p++ = onBytes[2];
    p = MM_putVlq(p, off - on);
    if (offBytes[0] != onBytes[0]) *p++ = offBytes[0];
    *p++ = offBytes[1];
    *p++ = offBytes[2];
    track->encodedRunning = offBytes[0];
    track->encodedUsed = (uint32_t)(p - track->encoded);
    track->encodedClock = off;
    track->eventWork += work;
    ctx->workSize = (int32_t)(ctx->workSize + work);
    return true;
}
// Turns the track's encoded events into records (if it has any) and keeps it
// to records from now on; -1 with the error set when memory ran out.
int MMevt_stopEncoding(mmtrk *track);
// True when the track's events are encoded (MMevt_order makes them records).
inline bool MMevt_isEncoded(const mmtrk *track) { return track->encodedUsed > 0; }

// Takes a record out: walks skip it from now on, and it leaves the work size.
void MMevt_free(mmtrk *track, mmevt *record);
// Releases the track's records and encoded events and takes them out of the
// work size; the track may encode again.
void MMevt_freeAll(mmtrk *track);
// True when the track holds no event.
bool MMevt_none(const mmtrk *track);
// Puts the track's events in records in time order (stably: equal clocks keep
// the order written) unless they are already; removed records are dropped on
// the way. False when memory ran out.
bool MMevt_order(mmtrk *track);

// The track's records in storage order, skipping removed ones; after
// MMevt_order that is time order:
//     for (mmevt *e : MMevt_records(track)) ...
class MMevtWalk {
public:
    explicit MMevtWalk(mmevtChunk *chunk) : chunk_(chunk), at_(nullptr), end_(nullptr)
    {
        if (chunk) settle(begin(chunk));
    }
    mmevt *operator*() const { return (mmevt *)at_; }
    MMevtWalk &operator++()
    {
        char *p = at_ + MMevt_sizeOf((mmevt *)at_);
        // The common step: the next record, live, in the same chunk.
        if (p < end_ && !(((mmevt *)p)->head & MM_EVENT_GONE)) [[likely]]
            at_ = p;
        else
            settle(p);
        return *this;
    }
    bool operator!=(const MMevtWalk &other) const { return at_ != other.at_; }

private:
    static char *begin(mmevtChunk *chunk) { return (char *)(chunk + 1); }
    // Moves to the first live record at or after `p`, across chunks.
    void settle(char *p)
    {
        while (chunk_) {
            end_ = begin(chunk_) + chunk_->used;
            while (p < end_ && (((mmevt *)p)->head & MM_EVENT_GONE)) p += MMevt_sizeOf((mmevt *)p);
            if (p < end_) {
                at_ = p;
                return;
            }
            chunk_ = chunk_->next;
            p = chunk_ ? begin(chunk_) : nullptr;
        }
        at_ = nullptr;
        end_ = nullptr;
    }
    mmevtChunk *chunk_;
    char *at_;
    char *end_;                // end of the records of chunk_
};

struct MMevtRange {
    mmevtChunk *first;
    MMevtWalk begin() const { return MMevtWalk(first); }
    MMevtWalk end() const { return MMevtWalk(nullptr); }
};
inline MMevtRange MMevt_records(const mmtrk *track) { return MMevtRange{track->firstChunk}; }
