// Work files: in file mode each event record goes to its track's work file
// and is read back just before the track is written.
#pragma once
#include <cstdio>
#include "base/stop_signals.h"
#include "store/track.h"

struct mmevt;

// Work files are numbered 0..MM_WORK_FILES-1 in the work path.
constexpr unsigned MM_WORK_FILES = 10000;
static_assert(MM_GUARD_WORK + MM_WORK_FILES <= MM_GUARD_SLOTS, "every work file has a stop-signal slot");

// The track's open work stream, opened with `mode` when closed. Failures are
// fatal and do not return.
FILE *MMwork_open(mmtrk *track, const char *mode);
// Short records are gathered in a stage while the track's stream is open and
// handed to the stream a stage at a time: one stream call a record costs more
// than the record's own work. A longer record goes to the stream at once.
constexpr uint32_t MM_WORK_STAGE = 256 * 1024;
constexpr uint32_t MM_WORK_STAGED_MAX = 248;     // longest payload staged

// Appends one event record (a 32-bit clock, a 32-bit length and the bytes,
// little-endian) to the track's work file. Every event of file mode comes
// here, so the common case (a stage with room) is inline.
int MMwork_putSlow(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length);
inline int MMwork_put(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length)
{
    if (!track->workStage || length > MM_WORK_STAGED_MAX || track->workStaged + 8 + length > MM_WORK_STAGE)
        [[unlikely]]
        return MMwork_putSlow(track, clock, bytes, length);
    uint8_t *at = track->workStage + track->workStaged;
    for (int i = 0; i < 4; ++i) at[i] = (uint8_t)(clock >> (8 * i));
    for (int i = 0; i < 4; ++i) at[4 + i] = (uint8_t)(length >> (8 * i));
    for (uint32_t i = 0; i < length; ++i) at[8 + i] = bytes[i];
    track->workStaged += 8 + length;
    return 0;
}
// Closes the track's work stream; a write that failed is fatal.
int MMwork_close(mmtrk *track);
// Reads the whole work file back into the track, in the order written: notes
// in time order come back encoded, as memory mode keeps them, the rest as
// records (MMevt_order puts them in time order).
int MMwork_load(mmtrk *track);
// Writes the track's records back over its work file, in storage order, and
// frees them.
int MMwork_save(mmtrk *track);
// Closes the track's work stream and deletes its work file.
void MMwork_remove(mmtrk *track);
