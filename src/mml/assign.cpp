#include "mml/assign.h"

int MMnote_assign(mmctx *, mmpart *, int, uint32_t, int32_t *, MMnoteShots *) { return 0; }

int MMpart_programAssign(mmctx *, mmpart *, int, uint32_t) { return 0; }
