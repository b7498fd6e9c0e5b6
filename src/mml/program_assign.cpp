// Placeholder: the per-program tables of a track come with the MIDI import
// work; until then no track has them and a program change assigns nothing.
#include "mml/part_params.h"

int MMpart_programAssign(mmctx *, mmpart *, int, uint32_t) { return 0; }
