#include "decl/control.h"

#include <array>

#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "decl/import_decl.h"
#include "decl/pattern_decl.h"
#include "decl/song_settings.h"
#include "decl/table_decl.h"
#include "decl/track_decl.h"
#include "output/optimizer.h"
#include "output/optimizer_settings.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

struct CtlCommand {
    const char *name;
    MMctlHandler handler;
};

// Sorted by name for the binary search.
constexpr std::array<CtlCommand, 14> kCommands{{
    {"ccvbase", MMctl_ccvbase},
    {"copyright", MMctl_copyright},
    {"division", MMctl_division},
    {"end", MMctl_end},
    {"import", MMctl_import},
    {"meas", MMctl_meas},
    {"mmlcmd", MMctl_mmlcmd},
    {"optset", MMopt_optset},
    {"pattern", MMctl_pattern},
    {"signature", MMctl_signature},
    {"table", MMctl_table},
    {"tempo", MMctl_tempo},
    {"title", MMctl_title},
    {"track", MMctl_track},
}};

static_assert(MM_namesSorted(kCommands), "control commands must be sorted by name");

}  // namespace

int MMctl_line(mmctx *ctx, const char *line)
{
    const char *cursor = line + 1;
    MM_skipBlanks(&cursor);
    if (*cursor == '\0') return MM_setErr(ctx, "Control line error!!");

    const CtlCommand *command = MM_findName(kCommands, cursor);
    if (!command) return MM_setErr(ctx, "Unknown control command!!");
    while (!MM_isWordEnd((unsigned char)*cursor)) ++cursor;
    return command->handler(ctx, cursor);
}
