// The typed event writers. Every MIDI event the compiler makes passes through
// one writer, which filters and maps its values and keeps the record in its
// track's time-ordered list (or work file). Each gives 0, or -1 with a
// pending message.
#pragma once
#include <cstdint>
#include "store/track.h"

int MMevt_noteOn(mmtrk *track, uint32_t clock, int32_t channel, int note, int velocity);
int MMevt_noteOff(mmtrk *track, uint32_t clock, int32_t channel, int note, int offVelocity);
// A whole note: MMevt_noteOn at `on`, then MMevt_noteOff at `off`, in one call.
int MMevt_note(mmtrk *track, uint32_t on, uint32_t off, int32_t channel, int note, int velocity, int offVelocity);
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
