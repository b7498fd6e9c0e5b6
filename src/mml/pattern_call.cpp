#include "mml/pattern_call.h"

#include "base/messages.h"
#include "base/parse.h"
#include "mml/mml_line.h"
#include "store/part.h"
#include "store/pattern.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

// `*(name)`: the name begins right behind `(`, with no blanks before it.
int readCall(mmctx *ctx, const char **cursor, char (&name)[MM_PATTERN_CALL_NAME_MAX + 1])
{
    const char *p = *cursor + 1;
    if (*p != '(') return MM_setErr(ctx, "Pattern syntax error!");
    ++p;
    if (!MM_isAsciiAlpha((unsigned char)*p) || MM_getIdent(name, sizeof name, &p) < 0)
        return MM_setErr(ctx, "Pattern name must be identifier!");
    if (*p != ')') return MM_setErr(ctx, "Pattern syntax error!");
    *cursor = p + 1;
    return 0;
}

// Every entry starts at `clock`; the part ends where the last one ended.
int playEntries(mmctx *ctx, mmpart *part, const PatternGroup *group, uint32_t clock)
{
    for (const PatternEntry *entry = group->first; entry; entry = entry->next) {
        part->clock = clock;
        if (MMmml_exec(ctx, part->track, part->number, entry->text) != 0) return -1;
    }
    return 0;
}

}  // namespace

int MMpat_call(mmctx *ctx, mmpart *part, const char **cursor)
{
    const char *star = *cursor;
    ctx->errPoint = star;
    char name[MM_PATTERN_CALL_NAME_MAX + 1];
    if (readCall(ctx, cursor, name) < 0) return -1;
    const PatternGroup *group = MMpat_find(ctx, name);
    if (!group) {
        MM_setErrMsg(ctx, "Unknown pattern \"%s\" ", name);
        return -1;
    }
    if (ctx->patternNest >= MM_PATTERN_NEST_LIMIT) {
        MM_setErrMsg(ctx, "Pattern \"%s\" nested too deeply!", name);
        return -1;
    }
    ++ctx->patternNest;
    int result = playEntries(ctx, part, group, part->clock);
    --ctx->patternNest;
    return result;
}
