// Encodes one track's event list as the events of a MIDI track chunk: delta
// times, running status, meta lengths, and the opening events of the
// control track.
#pragma once
#include <cstdint>
#include <vector>
#include "base/vlq.h"
#include "store/track.h"

// The text event that opens the control track, formatted with the time of
// writing (MM_fileTimeStr).
constexpr const char *MM_VERSION_TEXT = "Sorvane Compiler ver.3.02a #01 : %s";

// The longest delta time a variable-length quantity holds (28 bits).
constexpr uint32_t MM_SMF_MAX_DELTA = MM_VLQ_MAX;

// Appends a variable-length quantity (7 bits a byte, most significant group
// first); values are taken modulo 2^28.
void MM_smfVlq(std::vector<uint8_t> &out, uint32_t value);

// Appends the track's events up to and including its end-of-track event.
// Internal markers and records that are no MIDI event are left out. -1 with
// a pending message when two events lie further apart than a delta time holds.
int MM_smfTrackEvents(mmctx *ctx, const mmtrk *track, std::vector<uint8_t> &out);
