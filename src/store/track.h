// Tracks. A track becomes one track chunk of the MIDI file and owns its event
// list, work file, maps, filters and parts (store/part.h).
#pragma once
#include <cstdint>
#include <cstdio>
#include "base/context.h"
#include "store/opt_flags.h"
#include "store/part.h"

struct mmassign;
struct mmevt;
struct mmevtChunk;

// Work sizes as users see them in the progress and final lines.
constexpr int32_t MM_TRACK_WORK = 8328;
constexpr int32_t MM_CCMAP_WORK = 128;
constexpr int32_t MM_PITCHMAP_WORK = 32768;

constexpr int MM_NAME_SIZE = 64;     // track names keep 63 characters
constexpr int MM_PART_BUCKETS = 16;
static_assert(MM_PART_BUCKETS <= 32, "mmtrk::partBucketsUsed has a bit for every bucket");
constexpr int MM_PITCH_ENTRIES = 16384;

// One filtered quantity: y = ratio * x / 1024 + offset + random, clamped and
// masked to its highest `bits` bits.
struct mmfilter {
    int32_t ratio;
    int32_t offset;
    int32_t lo;
    int32_t hi;
    int32_t maxBits;
    int32_t bits;
    uint8_t randAllowed;
    uint8_t randOn;
    int32_t randLo;
    int32_t randHi;
    uint8_t plain;             // passes values through (MMfilter_refresh)
};

struct mmtrk {
    mmtrk *next;
    mmctx *ctx;
    uint32_t number;
    char name[MM_NAME_SIZE];
    uint32_t port;
    uint32_t channel;          // default channel, for parts whose channel is outside 0..15
    uint32_t reserved;
    uint32_t measureClock;
    uint32_t maxClock;         // highest event clock so far
    uint32_t delayFilterOn;
    int32_t delay;
    uint32_t partsEnded;       // `@END` was read: its line ends, then the parts go
    uint32_t lastPitch;
    uint8_t ccValue[128];      // last controller values
    uint8_t chMap[16];
    uint8_t noteMap[128];
    uint8_t velMap[128];
    uint8_t progMap[128];
    uint8_t cafMap[128];
    uint8_t pafMap[128];
    uint8_t ccMap[128];
    int8_t ccBase[128];
    uint16_t *pitchMap;        // null until first needed
    uint8_t *ccvMap[128];      // null until first needed
    mmassign *assign;          // note and program assignment tables, null until first needed
    mmfilter tempoF, delayF, noteF, velF, pitchF, progF, cafF, pafF;
    mmfilter ccF[128];
    uint16_t optFlags[MM_OPT_WORDS];
    mmoptState optState;
    mmevtChunk *firstChunk;    // record storage (store/event.h), in the order written
    mmevtChunk *lastChunk;
    int64_t eventWork;         // work size of the records held
    uint32_t lastEventClock;   // clock of the record appended last
    bool eventsUnordered;      // some record came before an earlier-written one
    // Some event written may repeat a kept value (aftertouch, controller,
    // program, pitch bend, tempo): only then has the optimiser work here.
    bool thinnable;
    // Events kept already encoded for the MIDI file (store/event.h).
    uint8_t *encoded;
    uint32_t encodedUsed;
    uint32_t encodedSize;
    uint32_t encodedClock;     // clock of the last event encoded
    uint8_t encodedRunning;    // running status after it
    uint8_t encodedState;      // MMencState
    FILE *workFp;
    uint8_t *workStage;        // records not yet handed to workFp, while it is open
    uint32_t workStaged;       // bytes in workStage
    char workName[MM_DIR_SIZE + 16];
    uint32_t workNumber;       // the number in workName
    mmpart *partBuckets[MM_PART_BUCKETS];
    uint32_t partBucketsUsed;  // bit b set when partBuckets[b] may hold a part
};

// A MIDI file counts its track chunks in 16 bits; CTRL is one of them.
constexpr int32_t MM_MAX_TRACKS = 65535;

int MMtrk_int(mmctx *ctx);
int MMtrk_create(mmctx *ctx, uint32_t number, const char *name, uint32_t port, uint32_t channel);
mmtrk *MMtrk_find(mmctx *ctx, const char *name);
// Both lookups take constant time, whatever the number of tracks.
mmtrk *MMtrk_findNo(mmctx *ctx, uint32_t number);
mmtrk *MMtrk_ref(mmctx *ctx, const char **text);
void MMtrk_syncTo(mmctx *ctx, mmtrk *track, uint32_t clock);
int MMtrk_initPitchMap(mmtrk *track);
int MMtrk_initCcMap(mmtrk *track, int controller);
// The measure clock: closes the measure that begins at ctx->measureClock
// with the current time signature. Every track and part moves to its end (the
// next bar line), which the call returns; the progress line shows it.
uint32_t MMmeas_step(mmctx *ctx);
// Ticks in a measure of the current signature.
uint32_t MMmeas_length(const mmctx *ctx);
void MMtrk_close(mmctx *ctx, mmtrk *track);
void MMtrk_freeAll(mmctx *ctx);

// Visits every track in bucket order (0..15, newest first within a bucket);
// the first visit that returns non-zero ends the walk with that result.
template <typename F> int MMtrk_each(mmctx *ctx, F &&visit)
{
    for (mmtrk *bucket : ctx->trackBuckets)
        for (mmtrk *t = bucket; t; t = t->next)
            if (int result = visit(t)) return result;
    return 0;
}
