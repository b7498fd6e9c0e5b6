// Limits of the song settings and track declarations, as users see them in
// the control lines.
#pragma once
#include <cstdint>

constexpr int32_t MM_DIVISION_MIN = 24;       // ticks per quarter note
constexpr int32_t MM_DIVISION_MAX = 9600;
constexpr int32_t MM_TEMPO_MIN = 16;          // quarter notes per minute
constexpr int32_t MM_TEMPO_MAX = 512;
constexpr uint32_t MM_MICROSECONDS_PER_MINUTE = 60000000;
constexpr int32_t MM_SIGNATURE_MAX = 32;      // numerator and denominator, 1..32 each
constexpr int32_t MM_CONTROLLER_MAX = 127;    // controller numbers and values
constexpr int32_t MM_TRACK_NUMBER_MIN = 1;    // 0 is the control track
constexpr uint32_t MM_TRACK_DEFAULT_CHANNEL = 1;  // channel index: MIDI channel 2
