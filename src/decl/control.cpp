#include "decl/control.h"

#include <array>
#include <cstddef>

#include "decl/song_settings.h"
#include "decl/track_decl.h"
#include "driver/compile.h"
#include "driver/messages.h"
#include "mml/parse.h"
#include "store/event.h"

namespace {

struct CtlCommand {
    const char *name;
    MMctlHandler handler;   // null: the command is not available yet
};

// Sorted by name for the binary search.
constexpr std::array<CtlCommand, 14> kCommands{{
    {"ccvbase", MMctl_ccvbase},
    {"copyright", MMctl_copyright},
    {"division", MMctl_division},
    {"end", MM_end},
    {"import", nullptr},
    {"meas", MMctl_meas},
    {"mmlcmd", nullptr},
    {"optset", nullptr},
    {"pattern", nullptr},
    {"signature", MMctl_signature},
    {"table", nullptr},
    {"tempo", MMctl_tempo},
    {"title", MMctl_title},
    {"track", MMctl_track},
}};

constexpr bool nameBefore(const char *a, const char *b)
{
    while (*a && *a == *b) ++a, ++b;
    return (unsigned char)*a < (unsigned char)*b;
}

constexpr bool sortedByName()
{
    for (size_t i = 1; i < kCommands.size(); ++i)
        if (!nameBefore(kCommands[i - 1].name, kCommands[i].name)) return false;
    return true;
}
static_assert(sortedByName(), "control commands must be sorted by name");

// The names with their table positions, in the form the shared lookup takes.
constexpr auto kCommandNames = [] {
    std::array<MMname, kCommands.size()> names{};
    for (size_t i = 0; i < kCommands.size(); ++i) names[i] = MMname{kCommands[i].name, (int32_t)i};
    return names;
}();

constexpr size_t kLongestName = [] {
    size_t longest = 0;
    for (const CtlCommand &command : kCommands) {
        size_t n = 0;
        while (command.name[n]) ++n;
        if (n > longest) longest = n;
    }
    return longest;
}();

bool endsCommandWord(char c) { return c == '\0' || c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

int MMctl_line(mmctx *ctx, const char *line)
{
    const char *cursor = line + 1;
    MM_skipBlanks(&cursor);
    if (*cursor == '\0') return MM_setErr(ctx, "Control line error!!");

    // A word longer than every command name cannot be one; it stays unknown.
    char word[kLongestName + 2];
    size_t length = 0;
    while (!endsCommandWord(cursor[length]) && length < sizeof word - 1) {
        word[length] = cursor[length];
        ++length;
    }
    word[length] = '\0';
    int32_t index = -1;
    if (endsCommandWord(cursor[length])) index = MM_lookupName(word, kCommandNames.data(), (int)kCommandNames.size());
    if (index < 0 || !kCommands[(size_t)index].handler) return MM_setErr(ctx, "Unknown control command!!");
    return kCommands[(size_t)index].handler(ctx, cursor + length);
}
