#include "mml/assign.h"

#include "base/messages.h"

int MMnote_assign(mmctx *, mmpart *, int, uint32_t, int32_t *, MMnoteShots *) { return 0; }

int MMpart_programAssign(mmctx *, mmpart *, int, uint32_t) { return 0; }

int MMtcmd_noteAssign(mmctx *ctx, mmpart *, int argc, char **)
{
    if (argc < 3) return MM_setErr(ctx, "Note assign error!");
    return 0;
}

int MMtcmd_programAssign(mmctx *ctx, mmpart *, int argc, char **)
{
    if (argc < 3) return MM_setErr(ctx, "Program assign error!");
    return 0;
}
