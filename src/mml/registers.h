// Registers: numbered sets of parameter values a part keeps and recalls with
// one command. A setter (`%`, `?`) sets several parameters at once, an
// offsetter (`%#`, `?#`) replaces several offsetters at once, and a pin (`!`)
// holds values for the next note only.
#pragma once
#include <cstdint>
#include "mml/value.h"
#include "store/context.h"
#include "store/track.h"

// Work sizes as users see them in the progress and final lines.
constexpr int32_t MM_SETTER_WORK = 12;  // also per offsetter
constexpr int32_t MM_PIN_WORK = 16;
constexpr int32_t MM_REGITEM_WORK = 24;

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

// Command handlers; the cursor is on the command character (`%` or `?`, the
// `#` of an offsetter, `!`).
int MMset_command(mmctx *ctx, mmpart *part, const char **cursor);
int MMofs_command(mmctx *ctx, mmpart *part, const char **cursor);
int MMpin_command(mmctx *ctx, mmpart *part, const char **cursor);

// Releases every setter, offsetter and pin of the part with their items.
void MMpart_freeRegisters(mmctx *ctx, mmpart *part);
