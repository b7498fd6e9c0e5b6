// Tuplet groups `{ ... }length/count`: the notes and rests inside share the
// total length evenly, and the group always lasts exactly the total.
#include "mml/tuplet.h"

#include "base/messages.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/length.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr int32_t kMinCount = 2;

int fail(mmctx *ctx, const char *message) { return MM_setErr(ctx, message); }

// The `length/count` after a closing brace.
int readTotal(mmctx *ctx, mmpart *part, const char **cursor, int32_t *total, int32_t *count)
{
    if (MMmml_length(ctx, part, 1, cursor, total) < 0) return -1;
    MM_skipBlanks(cursor);
    if (**cursor != '/') return fail(ctx, MM_text(MSG_TUPLET_SYNTAX));
    ++*cursor;
    if (MM_getNum(count, cursor) < 0 || *count < kMinCount) return fail(ctx, MM_text(MSG_TUPLET_SYNTAX));
    return 0;
}

}  // namespace

int MMmml_tupletOpen(mmctx *ctx, mmpart *part, const char **cursor)
{
    ctx->errPoint = *cursor;
    ++*cursor;
    if (part->tupletOn) return fail(ctx, MM_text(MSG_TUPLET_NEST));
    // A group never spans lines: its close must be on this line, with no open between.
    const char *close = *cursor;
    while (*close && *close != '}') {
        if (*close == '{') return fail(ctx, MM_text(MSG_TUPLET_NEST));
        ++close;
    }
    if (!*close) return fail(ctx, "EOL encountered within '{...}'");
    ++close;
    int32_t total = 0, count = 0;
    if (readTotal(ctx, part, &close, &total, &count) < 0) return -1;
    part->tupletCount = count;
    part->tupletStep = total / count;
    part->tupletOn = 1;
    part->tupletEnd = part->clock + (uint32_t)total;
    return 0;
}

int MMmml_tupletClose(mmctx *ctx, mmpart *part, const char **cursor)
{
    ctx->errPoint = *cursor;
    ++*cursor;
    if (!part->tupletOn) return fail(ctx, "Found '}'!");
    int32_t total = 0, count = 0;
    if (readTotal(ctx, part, cursor, &total, &count) < 0) return -1;
    if (count != part->tupletCount) return fail(ctx, "'{...}' unexpected error!");
    part->tupletOn = 0;
    part->clock = part->tupletEnd;
    return 0;
}
