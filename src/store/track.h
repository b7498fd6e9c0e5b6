// Tracks and parts. A track becomes one track chunk of the MIDI file and owns
// its event list, work file, maps, filters and parts; a part is one voice of
// a track with its own clock and parameters.
#pragma once
#include <cstdint>
#include <cstdio>
#include "mml/value.h"
#include "store/context.h"

struct mmevt;
struct mmevtPool;
struct mmpart;
struct Setter;
struct Offsetter;
struct Pin;

// Work sizes as users see them in the progress and final lines.
constexpr int32_t MM_TRACK_WORK = 8328;
constexpr int32_t MM_PART_WORK = 5112;
constexpr int32_t MM_CCMAP_WORK = 128;
constexpr int32_t MM_PITCHMAP_WORK = 32768;

constexpr int MM_NAME_SIZE = 64;     // track names keep 63 characters
constexpr int MM_PART_BUCKETS = 16;
constexpr int MM_REGISTER_CHAINS = 16;  // hash chains per register kind in a part
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
};

// The optimiser's flag words (tempo, note, pitch bend, program, channel and
// polyphonic aftertouch, exclusive, then one per controller) and the last
// values its pass has kept per channel; output/optimizer.h gives their meaning.
constexpr int MM_OPT_WORDS = 7 + 128;
struct mmoptState {
    uint32_t tempo;
    uint16_t program[16];
    uint16_t pitch[16];
    uint16_t caf[16];
    uint16_t paf[16][128];
    uint16_t cc[16][128];
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
    uint32_t reserved2;
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
    mmfilter tempoF, delayF, noteF, velF, pitchF, progF, cafF, pafF;
    mmfilter ccF[128];
    uint16_t optFlags[MM_OPT_WORDS];
    mmoptState optState;
    mmevt *head;
    mmevt *cursor;             // the record inserted last
    mmevt *tail;
    mmevtPool *eventPool;      // storage of the track's records, made on first use
    FILE *workFp;
    char workName[MM_DIR_SIZE + 16];
    mmpart *partBuckets[MM_PART_BUCKETS];
};

// Indexes of a part's parameter records.
enum MMparam : int {
    MMP_TEMPO, MMP_OCTAVE, MMP_DELAY, MMP_KEYSHIFT, MMP_VELOCITY, MMP_OFFVEL,
    MMP_STEP, MMP_GATE, MMP_GATERATIO, MMP_PROGRAM, MMP_PITCH, MMP_CAFPRES,
    MMP_PAFPRES, MMP_CAFDELAY, MMP_PAFDELAY, MMP_COUNT
};

struct mmpart {
    mmpart *next;
    mmtrk *track;
    uint32_t number;
    int32_t cmdMap[MM_LETTERS];
    uint32_t channel;          // 0..15, or 16 for the track's channel
    uint32_t clock;
    int32_t lastNote;
    uint8_t noteOn[128];
    uint32_t tupletOn;
    int32_t tupletCount;
    int32_t tupletStep;
    uint32_t tupletEnd;
    uint32_t gateMode;         // 0 = gate from the ratio, 1 = from the gate time
    mmval param[MMP_COUNT];
    mmval ccParam[128];
    mmval offset[MMP_COUNT];
    mmval ccOffset[128];
    Setter *setter;            // the setter defined or applied last
    Offsetter *offsetter;      // the offsetter defined or applied last
    uint32_t pinArmed;         // the next note takes the items of pinDef
    Pin *pinDef;
    Setter *setters[MM_REGISTER_CHAINS];
    Pin *pins[MM_REGISTER_CHAINS];
    Offsetter *offsetters[MM_REGISTER_CHAINS];
    int32_t keySig[7];         // a..g: -1 flat, 0 natural, +1 sharp
};

int MMtrk_int(mmctx *ctx);
int MMtrk_create(mmctx *ctx, uint32_t number, const char *name, uint32_t port, uint32_t channel);
mmtrk *MMtrk_find(mmctx *ctx, const char *name);
mmtrk *MMtrk_findNo(mmctx *ctx, uint32_t number);
mmtrk *MMtrk_ref(mmctx *ctx, const char **text);
mmpart *MMpart_get(mmtrk *track, uint32_t number);
void MMtrk_syncTo(mmctx *ctx, mmtrk *track, uint32_t clock);
int MMtrk_initPitchMap(mmtrk *track);
int MMtrk_initCcMap(mmtrk *track, int controller);
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

// Gives a new zero-filled part its initial parameters.
void MMpart_init(mmtrk *track, mmpart *part);
