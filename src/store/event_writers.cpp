// The typed event writers: each filters and maps its values through the
// track's settings, builds the record's payload (the event's final MIDI
// bytes) and keeps it in time order, in memory or in the track's work file.
#include <cstring>

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

mmevt *newRecord(mmtrk *track, uint32_t clock, uint64_t length)
{
    if (length > MM_EVENT_MAX_LENGTH) {
        MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    return MMevt_alloc(track, clock, (uint32_t)length);
}

int emit(mmtrk *track, mmevt *e)
{
    if (e->clock > track->maxClock) track->maxClock = e->clock;
    if (track->ctx->workMode != 1) return MMevt_insert(track, e);
    int result = MMwork_put(track, e);
    MMevt_free(track, e);
    return result;
}

int channelEvent(mmtrk *track, uint32_t clock, int status, uint8_t data1, uint8_t data2, uint32_t length)
{
    mmevt *e = MMevt_alloc(track, clock, length);
    if (!e) return -1;
    e->data[0] = (uint8_t)status;
    e->data[1] = data1;
    if (length > 2) e->data[2] = data2;
    return emit(track, e);
}

// 0xFF, type, then the data; the MIDI writer adds the length field.
int metaEvent(mmtrk *track, uint32_t clock, int type, uint64_t length, const void *bytes)
{
    mmevt *e = newRecord(track, clock, length + 2);
    if (!e) return -1;
    e->data[0] = 0xFF;
    e->data[1] = (uint8_t)type;
    if (length) memcpy(e->data + 2, bytes, length);
    return emit(track, e);
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

int MMevt_polyPressure(mmtrk *track, uint32_t clock, int32_t channel, int note, int pressure)
{
    uint8_t noteByte = track->noteMap[MMfilter_apply(track->noteF, note) & 127];
    uint8_t pressureByte = track->pafMap[MMfilter_apply(track->pafF, pressure) & 127];
    return channelEvent(track, clock, 0xA0 + channelOf(track, channel), noteByte, pressureByte, 3);
}

int MMevt_control(mmtrk *track, uint32_t clock, int32_t channel, int controller, int value)
{
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
    uint8_t programByte = track->progMap[MMfilter_apply(track->progF, program) & 127];
    return channelEvent(track, clock, 0xC0 + channelOf(track, channel), programByte, 0, 2);
}

int MMevt_chanPressure(mmtrk *track, uint32_t clock, int32_t channel, int pressure)
{
    uint8_t pressureByte = track->cafMap[MMfilter_apply(track->cafF, pressure) & 127];
    return channelEvent(track, clock, 0xD0 + channelOf(track, channel), pressureByte, 0, 2);
}

int MMevt_pitchBend(mmtrk *track, uint32_t clock, int32_t channel, int value)
{
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
    mmevt *e = MMevt_alloc(ctrl, clock, 6);
    if (!e) return -1;
    const uint8_t bytes[6] = {0xFF, 0x51, 0x03, (uint8_t)(tempo >> 16), (uint8_t)(tempo >> 8), (uint8_t)tempo};
    memcpy(e->data, bytes, sizeof bytes);
    ctx->tempoWritten = 1;
    return emit(ctrl, e);
}

int MMevt_signature(mmtrk *track, uint32_t clock, const uint8_t signature[4])
{
    mmctx *ctx = track->ctx;
    if (track->number != 0) return MM_setErr(ctx, "Signature meta event must set on control track!");
    mmtrk *ctrl = ctx->ctrlTrack ? ctx->ctrlTrack : track;
    mmevt *e = MMevt_alloc(ctrl, clock, 7);
    if (!e) return -1;
    const uint8_t bytes[3] = {0xFF, 0x58, 0x04};
    memcpy(e->data, bytes, sizeof bytes);
    memcpy(e->data + 3, signature, 4);
    ctx->signatureWritten = 1;
    return emit(ctrl, e);
}

int MMevt_endTrack(mmtrk *track, uint32_t clock)
{
    mmevt *e = MMevt_alloc(track, clock, 3);
    if (!e) return -1;
    const uint8_t bytes[3] = {0xFF, 0x2F, 0x00};
    memcpy(e->data, bytes, sizeof bytes);
    return emit(track, e);
}

int MMevt_meta(mmtrk *track, uint32_t clock, int type, uint32_t length, const uint8_t *bytes)
{
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
    mmevt *e = newRecord(track, clock, (uint64_t)length + 2);
    if (!e) return -1;
    e->data[0] = 0xF0;
    if (length) memcpy(e->data + 1, bytes, length);
    e->data[length + 1] = 0xF7;
    return emit(track, e);
}

int MMevt_sysexRaw(mmtrk *track, uint32_t clock, uint32_t length, const uint8_t *bytes)
{
    mmevt *e = newRecord(track, clock, (uint64_t)length + 1);
    if (!e) return -1;
    e->data[0] = 0xF7;
    if (length) memcpy(e->data + 1, bytes, length);
    return emit(track, e);
}

// An internal record for the optimiser; the MIDI writer skips it.
int MMevt_marker(mmtrk *track, uint32_t clock, int kind, int value)
{
    mmevt *e = MMevt_alloc(track, clock, 5);
    if (!e) return -1;
    const uint8_t bytes[5] = {0xFF, 0xFF, (uint8_t)kind, (uint8_t)value, (uint8_t)(value >> 8)};
    memcpy(e->data, bytes, sizeof bytes);
    return emit(track, e);
}
