// Part commands `^(name, ...)`: the key signature of a part and its own
// letter bindings.
#include "mml/part_command.h"

#include <array>

#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

using PartCommand = int (*)(mmctx *ctx, mmpart *part, int count, char **items);

// Sets the key of every letter, or of the letters A..G named in the second item.
int setKey(mmctx *ctx, mmpart *part, int count, char **items, int32_t key, const char *message)
{
    if (count == 1) {
        for (int32_t &entry : part->keySig) entry = key;
        return 0;
    }
    if (count != 2) return MM_setErr(ctx, message);
    for (const char *c = items[1]; *c; ++c) {
        if (MM_isBlank((unsigned char)*c)) continue;
        int letter = MM_lowerAscii((unsigned char)*c);
        if (letter < 'a' || letter > 'g') return MM_setErr(ctx, message);
        part->keySig[letter - 'a'] = key;
    }
    return 0;
}

int flat(mmctx *ctx, mmpart *part, int count, char **items)
{
    return setKey(ctx, part, count, items, -1, "^(flat) error!");
}

int natural(mmctx *ctx, mmpart *part, int count, char **items)
{
    return setKey(ctx, part, count, items, 0, "^(natural) error!");
}

int sharp(mmctx *ctx, mmpart *part, int count, char **items)
{
    return setKey(ctx, part, count, items, 1, "^(sharp) error!");
}

// Binds a mappable letter of this part alone to a command name.
int mmlcmd(mmctx *ctx, mmpart *part, int count, char **items)
{
    constexpr const char *kError = "^(MMLCMD) parameter error!";
    if (count < 3) return MM_setErr(ctx, kError);
    int letter = MM_lowerAscii((unsigned char)items[1][0]);
    if (!MM_isAsciiAlpha(letter) || ctx->cmdMap[letter - 'a'] < 0) return MM_setErr(ctx, kError);
    const char *name = items[2];
    int code = MM_getMmlCmd(&name);
    if (code < 0) return MM_setErr(ctx, kError);
    part->cmdMap[letter - 'a'] = code;
    return 0;
}

struct PartCommandRow {
    const char *name;
    PartCommand run;
};

constexpr std::array<PartCommandRow, 4> kPartCommands{{
    {"flat", flat},
    {"mmlcmd", mmlcmd},
    {"natural", natural},
    {"sharp", sharp},
}};

static_assert(MM_namesSorted(kPartCommands));

}  // namespace

int MMmml_partCommand(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    MM_skipBlanks(cursor);
    const char *listStart = *cursor;
    char **items = nullptr;
    int count = *listStart == '(' ? MM_splitList(cursor, &items) : 0;
    const PartCommandRow *command = count > 0 ? MM_findName(kPartCommands, items[0]) : nullptr;
    if (!command) {
        MM_freeList(count, items);
        ctx->errPoint = listStart;
        return MM_setErr(ctx, "'^' part command error!");
    }
    int result = command->run(ctx, part, count, items);
    MM_freeList(count, items);
    return result;
}
