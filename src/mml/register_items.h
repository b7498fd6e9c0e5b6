// The items of a register definition: `name:value` with the item names, the
// parameter each stores and the values each kind of register accepts.
#pragma once
#include <cstdint>
#include "mml/registers.h"

enum class MMregKind { Setter, Offsetter, Pin };

enum class MMitemResult {
    Ok,
    Bad,             // no colon, unknown name, bad or out-of-range value
    TempoOutsideCtrl,
};

// Reads one item text into *item (kind and value; `next` is left alone).
// Setters and offsetters apply relative values to a copy of the part's
// current record or offsetter now; pins keep them for the note.
MMitemResult MMreg_readItem(mmpart *part, MMregKind kind, const char *text, RegisterItem *item);
