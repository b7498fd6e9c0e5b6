// Parts: the independent voices of a track, each with its own clock,
// parameters and registers. A part is created on first use and lives until
// its track is closed.
#pragma once
#include <cstdint>
#include "base/context.h"
#include "base/value.h"

struct mmtrk;

// Work sizes as users see them in the progress and final lines.
constexpr int32_t MM_PART_WORK = 5112;
constexpr int32_t MM_SETTER_WORK = 12;  // also per offsetter
constexpr int32_t MM_PIN_WORK = 16;
constexpr int32_t MM_REGITEM_WORK = 24;

constexpr int MM_REGISTER_CHAINS = 16;  // hash chains per register kind in a part

// One stored value: `kind` is the parameter identifier of the item tables
// (MMitemKind), 128 + n for controller n.
struct RegisterItem {
    RegisterItem *next;
    int32_t kind;
    mmval value;
};

struct Setter {
    Setter *next;
    int32_t number;
    RegisterItem *items;
};

struct Offsetter {
    Offsetter *next;
    int32_t number;
    RegisterItem *items;
};

struct Pin {
    Pin *next;
    int32_t number;
    uint32_t armed;
    RegisterItem *items;
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

// The part `number` of the track, created with its initial parameters when
// it does not exist yet; null with "Out of memory!" pending.
mmpart *MMpart_get(mmtrk *track, uint32_t number);
// Gives a new zero-filled part its initial parameters.
void MMpart_init(mmtrk *track, mmpart *part);
// Releases a register's items and empties the list.
void MMpart_freeItems(mmctx *ctx, RegisterItem *&items);
// Releases every setter, offsetter and pin of the part with their items.
void MMpart_freeRegisters(mmctx *ctx, mmpart *part);
// Releases the part and its registers.
void MMpart_free(mmctx *ctx, mmpart *part);
