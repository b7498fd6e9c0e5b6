// Limits of the song as users see them, in the control lines, the MML
// commands and the events they write.
#pragma once
#include <cstdint>

constexpr int32_t MM_DIVISION_MIN = 24;       // ticks per quarter note
constexpr int32_t MM_DIVISION_MAX = 9600;
constexpr int32_t MM_TEMPO_MIN = 16;          // quarter notes per minute
constexpr int32_t MM_TEMPO_MAX = 512;
constexpr uint32_t MM_MICROSECONDS_PER_MINUTE = 60000000;
constexpr int32_t MM_SIGNATURE_MAX = 32;      // numerator and denominator, 1..32 each

// Clocks of a measure of numerator/2^power at `division` clocks per quarter
// note; 0 for a power too large to mean anything (only imported files have one).
constexpr uint64_t MM_measureLength(uint32_t division, uint32_t numerator, uint32_t power)
{
    return power < 64 ? ((uint64_t)division * numerator * 4) >> power : 0;
}
constexpr int32_t MM_CONTROLLERS = 128;
constexpr int32_t MM_CONTROLLER_MAX = MM_CONTROLLERS - 1;  // controller numbers and values
constexpr int32_t MM_TRACK_NUMBER_MIN = 1;    // 0 is the control track
constexpr uint32_t MM_TRACK_DEFAULT_CHANNEL = 1;  // channel index: MIDI channel 2

// Ports are A..H or 1..8, channels 1..16, notes 0..127 (octaves -1..9).
constexpr int32_t MM_PORTS = 8;
constexpr int32_t MM_CHANNELS = 16;
constexpr int32_t MM_NOTES = 128;
constexpr int32_t MM_OCTAVE_MIN = -1;
constexpr int32_t MM_OCTAVE_MAX = 9;

// A pitch bend travels as 14 bits, 0..16383 with the centre at rest; MML
// and the parts give it as the distance from the centre.
constexpr int32_t MM_PITCH_CENTRE = 8192;
constexpr int32_t MM_PITCH_MIN = -MM_PITCH_CENTRE;
constexpr int32_t MM_PITCH_MAX = MM_PITCH_CENTRE - 1;
