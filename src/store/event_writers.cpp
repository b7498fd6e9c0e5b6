// The typed event writers: each filters and maps its values through the
// track's settings, builds the record's payload (the event's final MIDI
// bytes) and keeps it in time order, in memory or in the track's work file.
#include <cstring>
#include <vector>

#include "base/messages.h"
#include "store/event.h"
#include "store/filter.h"
#include "store/work.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

// Channel-map entry of the part's channel, or of the track's default
// channel when the part's is outside 0..15.
uint8_t channelOf(const mmtrk *track, int32_t channel)
{
    uint32_t effective = (channel >= 0 && channel <= 15) ? (uint32_t)channel : track->channel & 15;
    return track->chMap[effective];
}

// Keeps one event of `length` bytes, which `fill` writes: appended to the
// track's records, or in file mode written straight to its work file.
template <typename Fill> [[gnu::always_inline]] inline int keep(mmtrk *track, uint32_t clock, uint64_t length, Fill fill)
{
    mmctx *ctx = track->ctx;
    if (clock > track->maxClock) track->maxClock = clock;
    if (ctx->workMode != 1) {
        if (track->encodedState != MM_ENC_CLOSED) {
            if (length == 3) {
                uint8_t bytes[3];
                fill(bytes);
                int encoded = MMevt_encode(track, clock, bytes, 3);
                if (encoded != 0) return encoded < 0 ? -1 : 0;
                mmevt *e = MMevt_alloc(track, clock, 3);
                if (!e) return -1;
                memcpy(e->data(), bytes, 3);
                return 0;
            }
            if (MMevt_stopEncoding(track) < 0) return -1;
        }
        // A length past what a record holds is refused like exhausted memory.
        mmevt *e = length > MM_EVENT_MAX_LENGTH ? nullptr : MMevt_alloc(track, clock, (uint32_t)length);
        if (!e) return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
        fill(e->data());
        return 0;
    }
    if (length > MM_EVENT_MAX_LENGTH || ctx->workSize + (int64_t)length + MM_EVENT_WORK > INT32_MAX)
        return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
    uint8_t small[64];
    std::vector<uint8_t> large(length > sizeof small ? length : 0);
    uint8_t *bytes = length > sizeof small ? large.data() : small;
    fill(bytes);
    return MMwork_put(track, clock, bytes, (uint32_t)length);
}

[[gnu::always_inline]] inline int channelEvent(mmtrk *track, uint32_t clock, int status, uint8_t data1, uint8_t data2, uint32_t length)
{
    return keep(track, clock, length, [&](uint8_t *d) {
        d[0] = (uint8_t)status;
        d[1] = data1;
        if (length > 2) d[2] = data2;
    });
}

template <size_t N> int fixedEvent(mmtrk *track, uint32_t clock, const uint8_t (&bytes)[N])
{
    return keep(track, clock, N, [&](uint8_t *d) { memcpy(d, bytes, N); });
}

// 0xFF, type, then the data; the MIDI writer adds the length field.
int metaEvent(mmtrk *track, uint32_t clock, int type, uint64_t length, const void *bytes)
{
    return keep(track, clock, length + 2, [&](uint8_t *d) {
        d[0] = 0xFF;
        d[1] = (uint8_t)type;
        if (length) memcpy(d + 2, bytes, length);
    });
}

}  // namespace

int MMevt_noteOn(mmtrk *track, uint32_t clock, int32_t channel, int note, int velocity)
{
    uint8_t noteByte = track->noteMap[MMfilter_apply(track->noteF, note) & 127];
    uint8_t velocityByte = track->velMap[MMfilter_apply(track->velF, velocity) & 127];
    return channelEvent(track, clock, 0x90 + channelOf(track, channel), noteByte, velocityByte, 3);
}

int MMevt_noteOff(mmtrk *track, uint32_t clock, int32_t channel, int note, int offVelocity)
{
    uint8_t noteByte = track->noteMap[MMfilter_apply(track->noteF, note) & 127];
    int status = (offVelocity != 0 ? 0x80 : 0x90) + channelOf(track, channel);
    return channelEvent(track, clock, status, noteByte, (uint8_t)offVelocity, 3);
}

int MMevt_note(mmtrk *track, uint32_t on, uint32_t off, int32_t channel, int note, int velocity, int offVelocity)
{
    // The filters draw in the order of the two calls: note, velocity, note.
    uint8_t noteByte = track->noteMap[MMfilter_apply(track->noteF, note) & 127];
    uint8_t velocityByte = track->velMap[MMfilter_apply(track->velF, velocity) & 127];
    uint8_t channelByte = channelOf(track, channel);
    if (track->noteF.plain && on <= off && track->ctx->workMode != 1) {
        const uint8_t onBytes[3] = {(uint8_t)(0x90 + channelByte), noteByte, velocityByte};
        const uint8_t offBytes[3] = {(uint8_t)((offVelocity != 0 ? 0x80 : 0x90) + channelByte), noteByte,
                                     (uint8_t)offVelocity};
        if (MMevt_encodeNote(track, on, onBytes, off, offBytes)) {
            if (off > track->maxClock) track->maxClock = off;
            return 0;
        }
    }
    if (channelEvent(track, on, 0x90 + channelByte, noteByte, velocityByte, 3) < 0) return -1;
    if (!track->noteF.plain) noteByte = track->noteMap[MMfilter_apply(track->noteF, note) & 127];
    int status = (offVelocity != 0 ? 0x80 : 0x90) + channelByte;
    return channelEvent(track, off, status, noteByte, (uint8_t)offVelocity, 3);
}

int MMevt_polyPressure(mmtrk *track, uint32_t clock, int32_t channel, int note, int pressure)
{
    track->thinnable = true;
    uint8_t noteByte = track->noteMap[MMfilter_apply(track->noteF, note) & 127];
    uint8_t pressureByte = track->pafMap[MMfilter_apply(track->pafF, pressure) & 127];
    return channelEvent(track, clock, 0xA0 + channelOf(track, channel), noteByte, pressureByte, 3);
}

int MMevt_control(mmtrk *track, uint32_t clock, int32_t channel, int controller, int value)
{
    track->thinnable = true;
    int c = controller & 127;
    const mmfilter &filter = track->ccF[c];
    // The base is added before the mask, so the mask cuts the sent value.
    int32_t y = MMfilter_scale(filter, value);
    y = MMfilter_mask(filter, (int32_t)((int64_t)y + track->ccBase[c])) & 127;
    uint8_t valueByte = track->ccvMap[c] ? track->ccvMap[c][y] : (uint8_t)y;
    return channelEvent(track, clock, 0xB0 + channelOf(track, channel), track->ccMap[c], valueByte, 3);
}

int MMevt_program(mmtrk *track, uint32_t clock, int32_t channel, int program)
{
    track->thinnable = true;
    uint8_t programByte = track->progMap[MMfilter_apply(track->progF, program) & 127];
    return channelEvent(track, clock, 0xC0 + channelOf(track, channel), programByte, 0, 2);
}

int MMevt_chanPressure(mmtrk *track, uint32_t clock, int32_t channel, int pressure)
{
    track->thinnable = true;
    uint8_t pressureByte = track->cafMap[MMfilter_apply(track->cafF, pressure) & 127];
    return channelEvent(track, clock, 0xD0 + channelOf(track, channel), pressureByte, 0, 2);
}

int MMevt_pitchBend(mmtrk *track, uint32_t clock, int32_t channel, int value)
{
    track->thinnable = true;
    uint32_t y = (uint32_t)MMfilter_apply(track->pitchF, value) & (MM_PITCH_ENTRIES - 1);
    if (track->pitchMap) y = track->pitchMap[y];
    return channelEvent(track, clock, 0xE0 + channelOf(track, channel), (uint8_t)(y & 127),
                        (uint8_t)((y >> 7) & 127), 3);
}

int MMevt_tempo(mmtrk *track, uint32_t clock, uint32_t microsecondsPerQuarter)
{
    mmctx *ctx = track->ctx;
    mmtrk *ctrl = ctx->ctrlTrack;
    if (!ctrl) return MM_setErr(ctx, MM_text(MSG_TEMPO_WITHOUT_CTRL));
    uint32_t tempo = MMfilter_tempo(track->tempoF, microsecondsPerQuarter);
    const uint8_t bytes[6] = {0xFF, 0x51, 0x03, (uint8_t)(tempo >> 16), (uint8_t)(tempo >> 8), (uint8_t)tempo};
    ctrl->thinnable = true;
    if (fixedEvent(ctrl, clock, bytes) < 0) return -1;
    ctx->tempoWritten = 1;
    return 0;
}

int MMevt_signature(mmtrk *track, uint32_t clock, const uint8_t signature[4])
{
    mmctx *ctx = track->ctx;
    if (track->number != 0) return MM_setErr(ctx, "Signature meta event must set on control track!");
    mmtrk *ctrl = ctx->ctrlTrack ? ctx->ctrlTrack : track;
    const uint8_t bytes[7] = {0xFF, 0x58, 0x04, signature[0], signature[1], signature[2], signature[3]};
    if (fixedEvent(ctrl, clock, bytes) < 0) return -1;
    ctx->signatureWritten = 1;
    return 0;
}

int MMevt_endTrack(mmtrk *track, uint32_t clock)
{
    const uint8_t bytes[3] = {0xFF, 0x2F, 0x00};
    return fixedEvent(track, clock, bytes);
}

int MMevt_meta(mmtrk *track, uint32_t clock, int type, uint32_t length, const uint8_t *bytes)
{
    if (type == 0x51) track->thinnable = true;   // a tempo, however written
    return metaEvent(track, clock, type, length, bytes);
}

int MMevt_text(mmtrk *track, uint32_t clock, const char *text)
{
    return metaEvent(track, clock, 0x01, strlen(text), text);
}

int MMevt_instName(mmtrk *track, uint32_t clock, const char *text)
{
    return metaEvent(track, clock, 0x04, strlen(text), text);
}

int MMevt_words(mmtrk *track, uint32_t clock, const char *text)
{
    return metaEvent(track, clock, 0x05, strlen(text), text);
}

int MMevt_sysex(mmtrk *track, uint32_t clock, uint32_t length, const uint8_t *bytes)
{
    return keep(track, clock, (uint64_t)length + 2, [&](uint8_t *d) {
        d[0] = 0xF0;
        if (length) memcpy(d + 1, bytes, length);
        d[length + 1] = 0xF7;
    });
}

int MMevt_sysexRaw(mmtrk *track, uint32_t clock, uint32_t length, const uint8_t *bytes)
{
    return keep(track, clock, (uint64_t)length + 1, [&](uint8_t *d) {
        d[0] = 0xF7;
        if (length) memcpy(d + 1, bytes, length);
    });
}

// An internal record for the optimiser; the MIDI writer skips it.
int MMevt_marker(mmtrk *track, uint32_t clock, int kind, int value)
{
    const uint8_t bytes[5] = {0xFF, 0xFF, (uint8_t)kind, (uint8_t)value, (uint8_t)(value >> 8)};
    return fixedEvent(track, clock, bytes);
}
