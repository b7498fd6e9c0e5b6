// Lengths, the default length `L` and rests `R`.
#include "mml/length.h"

#include "base/length.h"

#include "base/messages.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/part_params.h"
#include "store/track.h"

int MMmml_length(mmctx *ctx, mmpart *part, int allowDefault, const char **cursor, int32_t *length)
{
    ctx->errPoint = *cursor;
    int read = MMlength_value(ctx->division, cursor, length);
    if (read == 0 && allowDefault) {
        *length = MMval_get(&part->param[MMP_STEP]);
        read = 1;
    }
    if (read <= 0) return MM_setErr(ctx, MM_text(MSG_STEPTIME_IDENT));
    MMlength_dots(cursor, length);
    return 0;
}

int MMmml_defaultLength(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    MM_skipBlanks(cursor);
    int32_t length = 0;
    if (MMmml_length(ctx, part, 0, cursor, &length) < 0) return -1;
    part->param[MMP_STEP] = MMval_abs(length);
    return 0;
}

int MMmml_rest(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    MM_skipBlanks(cursor);
    int32_t length = 0;
    if (MMmml_length(ctx, part, 1, cursor, &length) < 0) return -1;
    int32_t step = part->tupletOn ? part->tupletStep : MMwrap_add(length, MMval_get(&part->offset[MMP_STEP]));
    return step >= 0 ? MMpart_advance(ctx, part, (uint32_t)step) : 0;
}
