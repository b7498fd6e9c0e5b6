// Placeholder: the registers bring pins. Until then no pin is ever armed and
// a note consumes nothing.
#include "mml/one_shot.h"
#include "store/track.h"

void MMpin_take(mmctx *, mmpart *part, MMnoteShots *) { part->pinArmed = 0; }
