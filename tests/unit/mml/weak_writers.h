// Stand-ins for the typed event writers, for unit tests of commands that
// write events. They are weak: where the event store's own writers are linked,
// those win. They build the records those writers build for a track with its
// initial maps and filters (identity maps, values clamped to the filter
// limits, controller values raised by their base), so a test reads the same
// bytes either way.
#pragma once
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "store/event.h"
#include "store/track.h"

namespace weak_writers {

inline int put(mmtrk *track, uint32_t clock, std::initializer_list<int> bytes)
{
    mmevt *e = MMevt_alloc(track, clock, (uint32_t)bytes.size());
    if (!e) return -1;
    int i = 0;
    for (int b : bytes) e->data[i++] = (uint8_t)b;
    if (clock > track->maxClock) track->maxClock = clock;
    return MMevt_insert(track, e);
}

inline int status(mmtrk *track, int kind, int32_t channel)
{
    int ch = channel >= 0 && channel <= 15 ? channel : (int)track->channel;
    return kind | track->chMap[ch & 15];
}

// The events of a track as "clock: hex bytes", in time order (equal clocks
// in the order of writing).
inline std::vector<std::string> dump(mmtrk *track)
{
    std::vector<std::pair<uint32_t, std::string>> events;
    for (mmevt *e = track->head; e; e = e->next) {
        std::string text = std::to_string(e->clock) + ":";
        for (uint32_t i = 0; i < e->length; ++i) {
            char hex[4];
            snprintf(hex, sizeof hex, " %02x", e->data[i]);
            text += hex;
        }
        events.emplace_back(e->clock, text);
    }
    std::stable_sort(events.begin(), events.end(), [](auto &a, auto &b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (auto &event : events) out.push_back(event.second);
    return out;
}

}  // namespace weak_writers

#define MM_WEAK __attribute__((weak))

MM_WEAK int MMevt_noteOn(mmtrk *t, uint32_t clock, int32_t channel, int note, int velocity)
{
    return weak_writers::put(t, clock, {weak_writers::status(t, 0x90, channel), note & 127, std::clamp(velocity, 1, 127)});
}

MM_WEAK int MMevt_noteOff(mmtrk *t, uint32_t clock, int32_t channel, int note, int offVelocity)
{
    int kind = offVelocity ? 0x80 : 0x90;
    return weak_writers::put(t, clock, {weak_writers::status(t, kind, channel), note & 127, offVelocity & 127});
}

MM_WEAK int MMevt_polyPressure(mmtrk *t, uint32_t clock, int32_t channel, int note, int pressure)
{
    return weak_writers::put(t, clock, {weak_writers::status(t, 0xa0, channel), note & 127, std::clamp(pressure, 0, 127)});
}

MM_WEAK int MMevt_control(mmtrk *t, uint32_t clock, int32_t channel, int controller, int value)
{
    int base = t->ccBase[controller & 127];
    int y = std::clamp(value, -base, 127 - base) + base;
    return weak_writers::put(t, clock, {weak_writers::status(t, 0xb0, channel), controller & 127, y & 127});
}

MM_WEAK int MMevt_program(mmtrk *t, uint32_t clock, int32_t channel, int program)
{
    return weak_writers::put(t, clock, {weak_writers::status(t, 0xc0, channel), std::clamp(program, 0, 127)});
}

MM_WEAK int MMevt_chanPressure(mmtrk *t, uint32_t clock, int32_t channel, int pressure)
{
    return weak_writers::put(t, clock, {weak_writers::status(t, 0xd0, channel), std::clamp(pressure, 0, 127)});
}

MM_WEAK int MMevt_pitchBend(mmtrk *t, uint32_t clock, int32_t channel, int value)
{
    int y = std::clamp(value, 0, 16383);
    return weak_writers::put(t, clock, {weak_writers::status(t, 0xe0, channel), y & 127, (y >> 7) & 127});
}

MM_WEAK int MMevt_tempo(mmtrk *t, uint32_t clock, uint32_t microsecondsPerQuarter)
{
    uint32_t y = std::clamp<uint32_t>(microsecondsPerQuarter, 156250, 2500000);
    t->ctx->tempoWritten = 1;
    return weak_writers::put(t->ctx->ctrlTrack, clock,
                             {0xff, 0x51, 0x03, (int)(y >> 16) & 255, (int)(y >> 8) & 255, (int)y & 255});
}

MM_WEAK int MMevt_signature(mmtrk *t, uint32_t clock, const uint8_t s[4])
{
    t->ctx->signatureWritten = 1;
    return weak_writers::put(t->ctx->ctrlTrack, clock, {0xff, 0x58, 0x04, s[0], s[1], s[2], s[3]});
}

MM_WEAK int32_t MMevt_delay(mmtrk *t) { return t->delayFilterOn ? std::clamp(t->delay, -1024, 1024) : 0; }

#undef MM_WEAK
