// Event records: the stored events of a track, kept in time order in the
// track's list (store/event_writers.h makes them).
#pragma once
#include <cstdint>
#include "store/track.h"

// Each record counts its payload plus this in the work size.
constexpr int32_t MM_EVENT_WORK = 23;
// The longest payload a record can hold: the largest length a MIDI file can
// express.
constexpr uint32_t MM_EVENT_MAX_LENGTH = 0x0FFFFFFF;

struct mmevt {
    mmevt *next;               // towards later clocks
    mmevt *prev;
    uint32_t clock;
    mmtrk *track;
    uint32_t length;
    uint8_t data[1];           // `length` payload bytes
};

// A zero-filled record with room for `length` payload bytes, owned by `track`
// (its `track` field): it lives in that track's record storage, belongs in
// that track's list and is released with MMevt_free or MMevt_freeAll;
// `track` and `length` must not change.
mmevt *MMevt_alloc(mmtrk *track, uint32_t clock, uint32_t length);
int MMevt_insert(mmtrk *track, mmevt *record);
// Releases one record and takes it out of the work size (not out of a list).
void MMevt_free(mmtrk *track, mmevt *record);
// Releases the track's record storage: every record the track made, in its
// list or not, is freed and taken out of the work size; the list is emptied.
void MMevt_freeAll(mmtrk *track);
