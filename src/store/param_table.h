// The part parameters as every reader sees them: one row per parameter with
// the ranges that its setter, the letter commands and the registers accept,
// and the two command numberings that lead to a parameter.
#pragma once
#include <cstdint>
#include "base/limits.h"
#include "store/part.h"

struct MMrange {
    int32_t lo;
    int32_t hi;
};

constexpr bool MMrange_holds(MMrange range, int32_t value) { return value >= range.lo && value <= range.hi; }

// Where readers accept different ranges for one parameter, each reader has
// its own column, so that the row shows the difference.
struct MMparamRow {
    MMparam param;          // the row's key; rows lie in MMparam order
    bool clamped;           // a relative value is forced into the range instead of being refused
    MMrange value;          // what the parameter's setter stores
    MMrange setterItem;     // an item of a setter register, `%(v:100)`
    MMrange pinItem;        // an item of a pin, `!(v:100)`
    MMrange letterOffset;   // the offsetter form of a letter command, `v#-20`
    MMrange offsetterItem;  // an item of an offsetter register, `%#(v:-20)`
};

// The row of a parameter, MMP_TEMPO..MMP_PAFDELAY.
const MMparamRow &MMparam_row(MMparam param);

// Controller values are relative to the track's controller base; their
// offsetters take the same range by letter and in registers.
constexpr MMrange MMparam_ccRange(int32_t base) { return {-base, MM_CONTROLLER_MAX - base}; }
constexpr MMrange MM_CC_OFFSET_RANGE{-MM_CONTROLLER_MAX, MM_CONTROLLER_MAX};

// Register item kinds, as the registers number them (RegisterItem::kind).
enum MMitemKind : int32_t {
    MMI_TEMPO = 1, MMI_CHANNEL = 2, MMI_DELAY = 3,
    MMI_KEYSHIFT = 11, MMI_OCTAVE = 12, MMI_VELOCITY = 13, MMI_OFFVEL = 14, MMI_STEP = 15,
    MMI_GATERATIO = 16, MMI_GATE = 17,
    MMI_PROGRAM = 21, MMI_PITCH = 22, MMI_CAF = 23, MMI_CAFPRES = 24, MMI_CAFDELAY = 25,
    MMI_PAF = 26, MMI_PAFPRES = 27, MMI_PAFDELAY = 28,
    MMI_CONTROL = 128,  // 128 + controller number
};

// The parameter that a letter command code (MMCMD_*) or a register item kind
// (MMI_*) reads and stores; the sending aftertouch commands store the
// pressure. MMP_COUNT for the channel, the clock, controllers and numbers
// that name no command.
MMparam MMparam_ofCommand(int32_t code);
MMparam MMparam_ofItem(int32_t kind);
