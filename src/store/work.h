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
// Appends one event record to the track's work file.
int MMwork_put(mmtrk *track, uint32_t clock, const uint8_t *bytes, uint32_t length);
// Closes the track's work stream; a write that failed is fatal.
int MMwork_close(mmtrk *track);
// Reads the whole work file back into the track's records, in the order
// written (MMevt_order puts them in time order).
int MMwork_load(mmtrk *track);
// Writes the track's records back over its work file, in storage order, and
// frees them.
int MMwork_save(mmtrk *track);
// Closes the track's work stream and deletes its work file.
void MMwork_remove(mmtrk *track);
