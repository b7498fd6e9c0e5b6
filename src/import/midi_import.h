// Reading the events of a Standard MIDI File (format 0 or 1) into a track of
// the song, filtered by event class, source track chunk and channel.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include "base/context.h"
#include "base/limits.h"
#include "store/track.h"

// The event classes an import can switch on and off; controllers have a
// switch each of their own.
enum MMimpClass : int {
    MMIMP_EXCL,
    MMIMP_TEMPO,
    MMIMP_META,
    MMIMP_NOTE,
    MMIMP_PROG,
    MMIMP_PITCH,
    MMIMP_PAF,
    MMIMP_CAF,
    MMIMP_CLASSES,
};

constexpr int32_t MMIMP_ALL = -1;  // every track chunk, or every channel

struct MMimp_options {
    int32_t sourceTrack;    // chunk index from 0, or MMIMP_ALL
    int32_t sourceChannel;  // 0..15, or MMIMP_ALL
    std::array<bool, MMIMP_CLASSES> classOn;
    std::array<bool, MM_CONTROLLERS> ccOn;
};

// What an import takes unless its line says otherwise: the control track
// takes nothing but may take the tempo of the first chunk; other tracks take
// every class from every chunk.
void MMimp_defaults(MMimp_options *options, bool controlTrack);

// Opens a file by name for reading; the control line hands down the
// program's file search, so the import needs no knowledge of source files.
using MMimp_opener = FILE *(*)(mmctx *ctx, const char *name, const char *mode);

// Reads the file `name` through `open` and writes its events into `track`.
// 0, or -1 with a pending message; events written before a fault stay.
int MMimp_readFile(mmctx *ctx, mmtrk *track, const char *name, const MMimp_options &options, MMimp_opener open);
// The same for a file already in memory.
int MMimp_readBytes(mmctx *ctx, mmtrk *track, const uint8_t *bytes, size_t size, const MMimp_options &options);
