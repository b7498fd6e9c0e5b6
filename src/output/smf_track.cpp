#include "output/smf_track.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "base/messages.h"
#include "base/vlq.h"
#include "store/event.h"

namespace {

constexpr uint8_t kMeta = 0xff;
constexpr uint8_t kMetaCopyright = 0x02;
constexpr uint8_t kMetaTrackName = 0x03;
constexpr uint8_t kMetaText = 0x01;
constexpr uint8_t kMetaEndTrack = 0x2f;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaSignature = 0x58;

void append(std::vector<uint8_t> &out, const uint8_t *from, const uint8_t *to)
{
    out.insert(out.end(), from, to);
}

void textEvent(std::vector<uint8_t> &out, uint8_t type, const char *text)
{
    size_t length = strlen(text);
    out.push_back(0);          // delta
    out.push_back(kMeta);
    out.push_back(type);
    MM_smfVlq(out, (uint32_t)length);
    append(out, (const uint8_t *)text, (const uint8_t *)text + length);
}

void openingEvents(mmctx *ctx, std::vector<uint8_t> &out)
{
    if (ctx->title[0]) textEvent(out, kMetaTrackName, ctx->title);
    if (ctx->copyright[0]) textEvent(out, kMetaCopyright, ctx->copyright);
    char version[96];
    snprintf(version, sizeof version, MM_VERSION_TEXT, MM_fileTimeStr());
    textEvent(out, kMetaText, version);
}

// Data bytes that follow a channel status.
uint32_t channelDataBytes(uint8_t status) { return status >= 0xc0 && status < 0xe0 ? 1 : 2; }

// True for a record that goes into the file (and so takes a delta time).
bool isWritten(const uint8_t *d, uint32_t length)
{
    if (d[0] >= 0x80 && d[0] < 0xf0) return length >= 1 + channelDataBytes(d[0]);
    if (d[0] == 0xf0 || d[0] == 0xf7) return true;
    return d[0] == kMeta && length >= 2 && d[1] < 0x80;
}

constexpr size_t kVlqMax = MM_VLQ_BYTES;
constexpr size_t kRoomStep = 65536;

}  // namespace

void MM_smfVlq(std::vector<uint8_t> &out, uint32_t value)
{
    uint8_t bytes[kVlqMax];
    out.insert(out.end(), bytes, MM_putVlq(bytes, value));
}

int MM_smfTrackEvents(mmctx *ctx, const mmtrk *track, std::vector<uint8_t> &out)
{
    if (track == ctx->ctrlTrack) openingEvents(ctx, out);
    if (MMevt_isEncoded(track)) {
        out.insert(out.end(), track->encoded, track->encoded + track->encodedUsed);
        return 0;
    }
    // Events are written through a pointer into room made ahead: a record
    // grows by at most a delta, a status and a length field.
    size_t used = out.size();
    // Each record counts more work than its encoding can take, so the chunk
    // fits the room reserved; the room is made (and touched) a step at a time.
    if (track->eventWork > 0) out.reserve(used + (size_t)track->eventWork);
    uint32_t lastClock = 0;    // clock of the last event written
    uint8_t running = 0;       // running status, 0 when cleared
    for (const mmevt *e : MMevt_records(track)) {
        const uint8_t *d = e->data();
        uint32_t length = e->length();
        if (length == 0) continue;
        // A delta time has 28 bits in the file; a longer pause cannot be written.
        if (e->clock - lastClock > MM_SMF_MAX_DELTA && isWritten(d, length)) {
            MM_setErrMsg(ctx, "%s : Time too long for a MIDI file! (track %u: %u ticks from clock %u, at most %u)",
                         ctx->outputName, track->number, e->clock - lastClock, lastClock, MM_SMF_MAX_DELTA);
            return -1;
        }
        size_t need = (size_t)length + 2 * kVlqMax + 1;
        if (out.size() - used < need) out.resize(used + need + kRoomStep);
        uint8_t *p = out.data() + used;
        uint8_t status = d[0];
        if (status >= 0x80 && status < 0xf0) {
            uint32_t size = 1 + channelDataBytes(status);
            if (length < size) continue;
            p = MM_putVlq(p, e->clock - lastClock);
            lastClock = e->clock;
            if (status != running) *p++ = status;
            running = status;
            *p++ = d[1];
            if (size == 3) *p++ = d[2];
        } else if (status == 0xf0 || status == 0xf7) {
            p = MM_putVlq(p, e->clock - lastClock);
            lastClock = e->clock;
            *p++ = status;
            p = MM_putVlq(p, length - 1);
            memcpy(p, d + 1, length - 1);
            p += length - 1;
            running = 0;
        } else if (status == kMeta) {
            running = 0;
            if (length < 2 || d[1] >= 0x80) continue;   // internal markers stay in the compiler
            p = MM_putVlq(p, e->clock - lastClock);
            lastClock = e->clock;
            uint8_t type = d[1];
            if (type == kMetaEndTrack || type == kMetaTempo || type == kMetaSignature) {
                memcpy(p, d, length);                   // these records hold their length byte
                used = (size_t)(p + length - out.data());
                if (type == kMetaEndTrack) break;
                continue;
            }
            *p++ = kMeta;
            *p++ = type;
            p = MM_putVlq(p, length - 2);
            memcpy(p, d + 2, length - 2);
            p += length - 2;
        } else {
            continue;
        }
        used = (size_t)(p - out.data());
    }
    out.resize(used);
    return 0;
}
