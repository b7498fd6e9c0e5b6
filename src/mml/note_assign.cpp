// Placeholder: the per-note tables of a track come with the track commands;
// until then no track has them and a note assigns nothing.
#include "mml/one_shot.h"

int MMnote_assign(mmctx *, mmpart *, int, uint32_t, int32_t *, MMnoteShots *) { return 0; }
