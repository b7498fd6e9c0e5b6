// The optimiser pass: walks each track's events in time order and removes
// those that only repeat the value last kept for their channel.
#include "output/optimizer.h"

#include <cstring>

#include "base/messages.h"
#include "store/event.h"
#include "store/work.h"

namespace {

constexpr uint16_t kNone = 0xffff;   // matches no 7-bit or 14-bit value
constexpr uint32_t kNoTempo = 0xffffffff;

void forget(mmoptState &state, int channel, uint16_t flags)
{
    if (flags & MMOPT_FPROG) state.program[channel] = kNone;
    if (flags & MMOPT_FPITCH) state.pitch[channel] = kNone;
    if (flags & MMOPT_FCAF) state.caf[channel] = kNone;
    if ((flags & MMOPT_FPAF) && state.pafKept[channel]) {
        memset(state.paf[channel], 0xff, sizeof state.paf[channel]);
        state.pafKept[channel] = 0;
    }
    if ((flags & MMOPT_FCC) && state.ccKept[channel]) {
        memset(state.cc[channel], 0xff, sizeof state.cc[channel]);
        state.ccKept[channel] = 0;
    }
}

void forgetAll(mmoptState &state, uint16_t flags)
{
    for (int channel = 0; channel < 16; ++channel) forget(state, channel, flags);
}

// True when a thinned kind repeats the value kept in `last`; otherwise the
// value is kept, if the kind is thinned at all.
template <typename T> bool repeats(uint16_t word, T &last, T value)
{
    if (!(word & MMOPT_ON)) return false;
    if (last == value) return true;
    last = value;
    return false;
}

// Decides one event; true when it goes. Forget bits of a removed event are
// not applied.
bool thin(const uint16_t *flags, mmoptState &state, const mmevt *e)
{
    const uint8_t *d = e->data();
    uint32_t length = e->length();
    if (length == 0) return false;
    int channel = d[0] & 15;
    uint16_t word;
    switch (d[0] >> 4) {
    case 0x8:
    case 0x9:
        word = flags[MMOPT_NOTE];
        break;
    case 0xA:
        if (length < 3) return false;
        word = flags[MMOPT_PAF];
        if (repeats<uint16_t>(word, state.paf[channel][d[1] & 127], d[2])) return true;
        state.pafKept[channel] = 1;
        break;
    case 0xB:
        if (length < 3) return false;
        word = flags[MMOPT_CC0 + (d[1] & 127)];
        if (repeats<uint16_t>(word, state.cc[channel][d[1] & 127], d[2])) return true;
        state.ccKept[channel] = 1;
        break;
    case 0xC:
        if (length < 2) return false;
        word = flags[MMOPT_PROG];
        if (repeats<uint16_t>(word, state.program[channel], d[1])) return true;
        break;
    case 0xD:
        if (length < 2) return false;
        word = flags[MMOPT_CAF];
        if (repeats<uint16_t>(word, state.caf[channel], d[1])) return true;
        break;
    case 0xE:
        if (length < 3) return false;
        word = flags[MMOPT_PITCH];
        if (repeats<uint16_t>(word, state.pitch[channel], (uint16_t)(d[1] + 128 * d[2]))) return true;
        break;
    default:
        if (d[0] == 0xf0 || d[0] == 0xf7) {
            forgetAll(state, flags[MMOPT_EXCL]);
        } else if (d[0] == 0xff && length >= 6 && d[1] == 0x51) {
            uint32_t tempo = (uint32_t)d[3] << 16 | (uint32_t)d[4] << 8 | d[5];
            return repeats<uint32_t>(flags[MMOPT_TEMPO], state.tempo, tempo);
        } else if (d[0] == 0xff && length >= 5 && d[1] == 0xff && d[2] == MMOPT_CLEAR_MARKER) {
            uint16_t clear = (uint16_t)(d[3] | d[4] << 8);
            forgetAll(state, clear);
            if (clear & MMOPT_FTEMPO) state.tempo = kNoTempo;
        }
        return false;
    }
    forget(state, channel, word);
    return false;
}

}  // namespace

int MMopt_thin(mmtrk *track)
{
    // Without a kind that repeats, the walk would remove nothing: what notes,
    // exclusives and markers make a channel forget is never asked for. (A
    // track with encoded events has none of those kinds.)
    if (!track->thinnable) return 0;
    if (!MMevt_order(track)) return MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
    mmoptState &state = track->optState;
    memset(&state, 0xff, sizeof state);
    memset(state.pafKept, 0, sizeof state.pafKept);
    memset(state.ccKept, 0, sizeof state.ccKept);
    for (mmevt *e : MMevt_records(track))
        if (thin(track->optFlags, state, e)) MMevt_free(track, e);
    return 0;
}

int MMopt_track(mmctx *ctx, mmtrk *track)
{
    if (ctx->workMode == 1 && MMwork_load(track) < 0) return -1;
    if (MMopt_thin(track) < 0) return -1;
    // In file mode the thinned list goes back over the work file and leaves memory.
    if (ctx->workMode == 1) return MMwork_save(track);
    return 0;
}

int MMopt_run(mmctx *ctx)
{
    MM_msg(ctx, MSGC_PLAIN, MM_text(MSG_OPTIMIZING));
    // In file mode each track is thinned by the writer right after it is read
    // back, which spares writing and reading every work file once more.
    if (ctx->workMode == 1) return 0;
    return MMtrk_each(ctx, [&](mmtrk *t) { return MMopt_track(ctx, t); });
}
