// Placeholder: control lines come with the declarations issue.
#include "decl/control.h"

#include "driver/compile.h"
#include "driver/messages.h"
#include "mml/parse.h"

int MMctl_line(mmctx *ctx, const char *line)
{
    if (MM_wordCmp(line + 1, "end") == 0) return MM_end(ctx, line + 4);
    return MM_setErr(ctx, "Unknown control command!!");
}
