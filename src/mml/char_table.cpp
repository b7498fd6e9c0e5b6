// The character table: one handler for each character 0..127 that is not a
// mapped letter. Characters whose commands are not built in report
// themselves as unknown.
#include "mml/char_table.h"

#include <array>
#include <cstring>

#include "base/messages.h"
#include "base/text_encoding.h"
#include "mml/length.h"
#include "mml/note.h"
#include "mml/part_command.h"
#include "mml/part_params.h"
#include "mml/pattern_call.h"
#include "mml/registers.h"
#include "mml/track_command.h"
#include "mml/tuplet.h"
#include "store/track.h"

namespace {

using Table = std::array<MMcmdHandler, 128>;

constexpr void bind(Table &table, const char *characters, MMcmdHandler handler)
{
    for (const char *c = characters; *c; ++c) table[(unsigned char)*c] = handler;
}

constexpr Table makeTable()
{
    Table table{};
    for (MMcmdHandler &handler : table) handler = MMmml_unknownChar;
    bind(table, "ABCDEFGabcdefgNn", MMmml_note);
    bind(table, "Rr", MMmml_rest);
    bind(table, "Ll", MMmml_defaultLength);
    bind(table, ">", MMmml_octaveUp);
    bind(table, "<", MMmml_octaveDown);
    bind(table, "{", MMmml_tupletOpen);
    bind(table, "}", MMmml_tupletClose);
    bind(table, "^", MMmml_partCommand);
    bind(table, "%?", MMset_command);
    bind(table, "!", MMpin_command);
    bind(table, "@", MMmml_trackCommand);
    bind(table, "*", MMpat_call);
    return table;
}

constexpr Table kCharTable = makeTable();

int octaveStep(mmctx *ctx, mmpart *part, const char **cursor, int32_t step)
{
    ++*cursor;
    mmval octave = part->param[MMP_OCTAVE];
    MMval_apply(&octave, MMVAL_REL, step, 0);
    return MMpart_setParam(ctx, part, MMP_OCTAVE, &octave);
}

}  // namespace

MMcmdHandler MMmml_charHandler(unsigned ch) { return kCharTable[ch & 127]; }

int MMmml_unknownChar(mmctx *ctx, mmpart *, const char **cursor)
{
    ctx->errPoint = *cursor;
    // The whole character, in the line's encoding, not half of one.
    const char *end = *cursor + strnlen(*cursor, 4);
    MM_setErrMsg(ctx, MM_text(MSG_UNKNOWN_COMMAND_CHAR), MM_charBytes(*cursor, end, ctx->lineUtf8), *cursor);
    return -1;
}

int MMmml_octaveUp(mmctx *ctx, mmpart *part, const char **cursor) { return octaveStep(ctx, part, cursor, 1); }
int MMmml_octaveDown(mmctx *ctx, mmpart *part, const char **cursor) { return octaveStep(ctx, part, cursor, -1); }
