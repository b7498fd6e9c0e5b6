#include "mml/mml_line.h"

#include <cstring>

#include "base/messages.h"
#include "base/parse.h"
#include "mml/char_table.h"
#include "mml/mapped.h"
#include "mml/track_command.h"
#include "store/event_writers.h"
#include "store/track.h"

namespace {

int syntaxError(mmctx *ctx, const char *at)
{
    ctx->errPoint = at;
    return MM_setErr(ctx, MM_text(MSG_MML_SYNTAX));
}

// The song's initial tempo and time signature go into CTRL at clock 0 before
// the first MML line plays anything; the writers raise the context flags.
int writeSongHead(mmctx *ctx)
{
    if (!ctx->tempoWritten && MMevt_tempo(ctx->ctrlTrack, 0, ctx->tempo) < 0) return -1;
    if (!ctx->signatureWritten && MMevt_signature(ctx->ctrlTrack, 0, ctx->signature) < 0) return -1;
    return 0;
}

}  // namespace

int MMmml_line(mmctx *ctx, const char *text)
{
    if (writeSongHead(ctx) < 0) return -1;
    const char *p = text;
    MM_skipBlanks(&p);
    const char *nameStart = p;
    while (*p && *p != '(' && !MM_isBlank((unsigned char)*p)) ++p;
    if (p - nameStart > MM_MML_NAME_MAX) {
        ctx->errPoint = nameStart;
        return MM_setErr(ctx, MM_text(MSG_TOO_LONG_MACRO_NAME));
    }
    char name[MM_MML_NAME_MAX + 1];
    memcpy(name, nameStart, (size_t)(p - nameStart));
    name[p - nameStart] = '\0';

    MM_skipBlanks(&p);
    if (*p != '(') return syntaxError(ctx, p);
    ++p;
    int32_t partNumber;
    if (MM_getNum(&partNumber, &p) < 0 || partNumber < 0) return syntaxError(ctx, p);
    MM_skipBlanks(&p);
    if (*p != ')') return syntaxError(ctx, p);
    ++p;
    MM_skipBlanks(&p);
    if (*p != '=') return syntaxError(ctx, p);
    ++p;
    MM_skipBlanks(&p);

    mmtrk *track = MMtrk_find(ctx, name);
    if (!track) {
        ctx->errPoint = nameStart;
        MM_setErrMsg(ctx, MM_text(MSG_UNKNOWN_TRACK_MACRO), name);
        return -1;
    }
    int result = MMmml_exec(ctx, track, (uint32_t)partNumber, p);
    MMtcmd_endLine(ctx, track);
    return result;
}

int MMmml_exec(mmctx *ctx, mmtrk *track, uint32_t partNumber, const char *text)
{
    mmpart *part = MMpart_get(track, partNumber);
    if (!part) return -1;
    const char *cursor = text;
    for (;;) {
        unsigned ch = (unsigned char)*cursor;
        if (ch == 0) return 0;
        ctx->errPoint = cursor;
        int result;
        if (MM_isAsciiAlpha((int)ch) && part->cmdMap[MM_lowerAscii((int)ch) - 'a'] >= 0) {
            result = MMmml_mapped(ctx, part, &cursor, part->cmdMap[MM_lowerAscii((int)ch) - 'a']);
        } else if (ch <= 32) {
            ++cursor;
            continue;
        } else if (ch >= 128) {
            result = MMmml_unknownChar(ctx, part, &cursor);
        } else {
            result = MMmml_charHandler(ch)(ctx, part, &cursor);
        }
        if (result != 0) return -1;
    }
}
