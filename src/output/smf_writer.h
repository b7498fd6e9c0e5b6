// Writes the song as a format-1 Standard MIDI File: the header chunk, then
// one track chunk per track in ascending track number.
#pragma once
#include <cstdint>
#include <vector>
#include "store/track.h"

struct mmroll;

// Fills ctx->outputName for the MIDI writer: without an output name, the
// source name (with its default extension) less its extension; in every case
// ".mid" is added when the name has no extension. 0, or -1 with a pending
// message when the name does not fit (it is then left empty).
int MM_outputName(mmctx *ctx);

// Writes ctx->outputName (derived from the source name when not given), and
// the piano roll when ctx->rollPath names one. 0, or -1 with a pending
// message. Each file takes the place of its old version only when complete:
// a failed or stopped write leaves the old files as they were. A file the song
// reads, or an error or message file, is never overwritten.
int MM_writeSmf(mmctx *ctx);

// The two steps of MM_writeSmf, writing to ctx->outFile: 0, or -1 with a
// pending message. The track step builds the chunk in `chunk` (a buffer
// reused from track to track) and, given a piano roll, hands it the chunk.
int MM_writeSmfHeader(mmctx *ctx);
int MM_writeSmfTrack(mmctx *ctx, mmtrk *track, std::vector<uint8_t> &chunk, mmroll *roll = nullptr);
