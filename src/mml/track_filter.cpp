#include "mml/track_filter.h"

#include "base/messages.h"

int MMtcmd_filter(mmctx *ctx, mmpart *, int argc, char **)
{
    if (argc < 2) return MM_setErr(ctx, "Filter error!!");
    return 0;
}
