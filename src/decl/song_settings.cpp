#include "decl/song_settings.h"

#include <cstring>

#include "base/limits.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "store/event_writers.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

bool atLineEnd(const char *cursor)
{
    MM_skipBlanks(&cursor);
    return *cursor == '\0';
}

bool readInRange(const char **cursor, int32_t lo, int32_t hi, int32_t *out)
{
    return MM_getNum(out, cursor) == 0 && *out >= lo && *out <= hi;
}

// n/d with n 1..32 and d a power of two up to 32, and nothing but blanks
// behind it; gives the numerator and the exponent of the denominator.
bool readSignature(const char *cursor, uint8_t *numerator, uint8_t *exponent)
{
    int32_t n = 0, d = 0;
    if (!readInRange(&cursor, 1, MM_SIGNATURE_MAX, &n) || *cursor++ != '/') return false;
    if (!readInRange(&cursor, 1, MM_SIGNATURE_MAX, &d) || (d & (d - 1)) != 0) return false;
    if (!atLineEnd(cursor)) return false;
    uint8_t power = 0;
    while ((1 << power) < d) ++power;
    *numerator = (uint8_t)n;
    *exponent = power;
    return true;
}

// Copies the rest of the line, blanks in front skipped, without splitting a
// character of the line's encoding at the size limit.
void copyText(const mmctx *ctx, char *out, const char *text)
{
    MM_skipBlanks(&text);
    const char *end = text + strlen(text);
    size_t n = 0;
    while (text[n]) {
        size_t length = (size_t)MM_charBytes(text + n, end, ctx->lineUtf8);
        if (n + length > MM_TEXT_SIZE - 1) break;
        n += length;
    }
    memcpy(out, text, n);
    out[n] = '\0';
}

// A part whose clock ran past the bar line is set back to it by the measure
// step, and its next notes overlap what it played past the line.
void warnOverfull(mmctx *ctx)
{
    uint32_t barLine = ctx->measureClock + MMmeas_length(ctx);
    MMtrk_each(ctx, [&](mmtrk *track) {
        for (mmpart *bucket : track->partBuckets)
            for (mmpart *part = bucket; part; part = part->next)
                if (part->clock > barLine)
                    MM_warn(ctx, nullptr, "overfull bar: part %u of track %s runs %u ticks past the end of measure %d",
                            part->number, track->name, part->clock - barLine, ctx->measureCount + 1);
        return 0;
    });
}

}  // namespace

int MMctl_title(mmctx *ctx, const char *text)
{
    copyText(ctx, ctx->title, text);
    return 0;
}

int MMctl_copyright(mmctx *ctx, const char *text)
{
    copyText(ctx, ctx->copyright, text);
    return 0;
}

int MMctl_division(mmctx *ctx, const char *text)
{
    int32_t division = 0;
    if (!readInRange(&text, MM_DIVISION_MIN, MM_DIVISION_MAX, &division) || !atLineEnd(text))
        return MM_setErr(ctx, "Division error!!");
    ctx->division = division;
    return 0;
}

int MMctl_tempo(mmctx *ctx, const char *text)
{
    int32_t bpm = 0;
    if (!readInRange(&text, MM_TEMPO_MIN, MM_TEMPO_MAX, &bpm) || !atLineEnd(text))
        return MM_setErr(ctx, "Tempo error!!");
    // The song's tempo is written once, before the first MML line plays.
    if (ctx->tempoWritten)
        MM_warn(ctx, nullptr, "\".tempo\" after the song has started changes nothing; change the tempo mid-song "
                              "with t in a CTRL part or @TEMPO");
    ctx->tempo = MM_MICROSECONDS_PER_MINUTE / (uint32_t)bpm;
    return 0;
}

int MMctl_signature(mmctx *ctx, const char *text)
{
    uint8_t numerator = 0, exponent = 0;
    if (ctx->signatureWritten)
        MM_warn(ctx, nullptr, "\".signature\" after the song has started is refused; change the signature "
                              "mid-song with .meas n/d");
    if (ctx->signatureWritten || !readSignature(text, &numerator, &exponent))
        return MM_setErr(ctx, "Signature error!!");
    ctx->signature[0] = ctx->curSignature[0] = numerator;
    ctx->signature[1] = ctx->curSignature[1] = exponent;
    return 0;
}

int MMctl_meas(mmctx *ctx, const char *text)
{
    // The measure that this line closes keeps its old length; a new
    // signature starts at the bar line.
    warnOverfull(ctx);
    uint32_t barClock = MMmeas_step(ctx);
    if (atLineEnd(text)) return 0;
    uint8_t numerator = 0, exponent = 0;
    if (!readSignature(text, &numerator, &exponent)) return MM_setErr(ctx, "\".meas\" error!!");
    if (numerator == ctx->curSignature[0] && exponent == ctx->curSignature[1]) return 0;
    ctx->curSignature[0] = numerator;
    ctx->curSignature[1] = exponent;
    return MMevt_signature(ctx->ctrlTrack, barClock, ctx->curSignature);
}

int MMctl_end(mmctx *ctx, const char *)
{
    // The compile loop reads no further line and closes the song.
    ctx->ended = 1;
    return 0;
}

int MMctl_ccvbase(mmctx *ctx, const char *text)
{
    mmtrk *track = MMtrk_ref(ctx, &text);
    if (!track) return -1;
    while (!atLineEnd(text)) {
        int32_t controller = 0, base = 0;
        if (!readInRange(&text, 0, MM_CONTROLLER_MAX, &controller) || *text++ != '/' ||
            !readInRange(&text, 0, MM_CONTROLLER_MAX, &base))
            return MM_setErr(ctx, "Control value base setting error!");
        // Controller values are relative to the base, and so are the limits
        // of the controller's filter; limits still at their start values
        // move with the base, so that the whole 0..127 range stays reachable.
        mmfilter &filter = track->ccF[controller];
        int32_t oldBase = track->ccBase[controller];
        if (filter.lo == -oldBase && filter.hi == MM_CONTROLLER_MAX - oldBase) {
            filter.lo = -base;
            filter.hi = MM_CONTROLLER_MAX - base;
        }
        if (filter.randLo == -oldBase && filter.randHi == MM_CONTROLLER_MAX - oldBase) {
            filter.randLo = -base;
            filter.randHi = MM_CONTROLLER_MAX - base;
        }
        track->ccBase[controller] = (int8_t)base;
    }
    return 0;
}
