// Event records and the typed event writers. Every MIDI event the compiler
// makes passes through one writer, which filters and maps its values and
// keeps the record in its track's time-ordered list (or work file).
#pragma once
#include <cstdint>
#include "base/name_table.h"
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

int MMevt_noteOn(mmtrk *track, uint32_t clock, int32_t channel, int note, int velocity);
int MMevt_noteOff(mmtrk *track, uint32_t clock, int32_t channel, int note, int offVelocity);
int MMevt_polyPressure(mmtrk *track, uint32_t clock, int32_t channel, int note, int pressure);
int MMevt_control(mmtrk *track, uint32_t clock, int32_t channel, int controller, int value);
int MMevt_program(mmtrk *track, uint32_t clock, int32_t channel, int program);
int MMevt_chanPressure(mmtrk *track, uint32_t clock, int32_t channel, int pressure);
int MMevt_pitchBend(mmtrk *track, uint32_t clock, int32_t channel, int value);
int MMevt_tempo(mmtrk *track, uint32_t clock, uint32_t microsecondsPerQuarter);
int MMevt_signature(mmtrk *track, uint32_t clock, const uint8_t signature[4]);
int MMevt_endTrack(mmtrk *track, uint32_t clock);
int MMevt_meta(mmtrk *track, uint32_t clock, int type, uint32_t length, const uint8_t *bytes);
int MMevt_text(mmtrk *track, uint32_t clock, const char *text);
int MMevt_instName(mmtrk *track, uint32_t clock, const char *text);
int MMevt_words(mmtrk *track, uint32_t clock, const char *text);
int MMevt_sysex(mmtrk *track, uint32_t clock, uint32_t length, const uint8_t *bytes);
int MMevt_sysexRaw(mmtrk *track, uint32_t clock, uint32_t length, const uint8_t *bytes);
int MMevt_marker(mmtrk *track, uint32_t clock, int kind, int value);
int32_t MMevt_delay(mmtrk *track);

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
