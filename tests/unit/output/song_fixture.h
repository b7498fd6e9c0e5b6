// A fresh compiler context with its control track, for tests that build a
// song's event lists by hand and hand them to the output stage.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <vector>

#include "driver/messages.h"
#include "store/event.h"
#include "store/track.h"

class SongFixture : public ::testing::Test {
protected:
    mmctx *ctx = &MM_ctx;

    void SetUp() override
    {
        memset(ctx, 0, sizeof *ctx);
        MM_msgReset();
        ctx->division = 960;
        ASSERT_EQ(0, MMtrk_int(ctx));
    }
    void TearDown() override { MMtrk_freeAll(ctx); }

    mmtrk *ctrl() { return ctx->ctrlTrack; }
    mmtrk *track(uint32_t number, const char *name)
    {
        EXPECT_EQ(0, MMtrk_create(ctx, number, name, 0, 0));
        return MMtrk_find(ctx, name);
    }

    // A record holding exactly these payload bytes, inserted in time order.
    static void raw(mmtrk *t, uint32_t clock, std::initializer_list<int> bytes)
    {
        mmevt *e = MMevt_alloc(t, clock, (uint32_t)bytes.size());
        ASSERT_NE(nullptr, e);
        uint8_t *to = e->data;
        for (int b : bytes) *to++ = (uint8_t)b;
        MMevt_insert(t, e);
        if (clock > t->maxClock) t->maxClock = clock;
    }

    // One event each through the typed writers; a fresh track passes values unchanged.
    static void note(mmtrk *t, uint32_t clock, int ch, int key) { ASSERT_EQ(0, MMevt_noteOn(t, clock, ch, key, 100)); }
    static void noteOff(mmtrk *t, uint32_t clock, int ch, int key) { ASSERT_EQ(0, MMevt_noteOff(t, clock, ch, key, 64)); }
    static void program(mmtrk *t, uint32_t clock, int ch, int value) { ASSERT_EQ(0, MMevt_program(t, clock, ch, value)); }
    static void control(mmtrk *t, uint32_t clock, int ch, int cc, int value)
    {
        ASSERT_EQ(0, MMevt_control(t, clock, ch, cc, value));
    }
    static void pitch(mmtrk *t, uint32_t clock, int ch, int value) { ASSERT_EQ(0, MMevt_pitchBend(t, clock, ch, value)); }
    static void caf(mmtrk *t, uint32_t clock, int ch, int value) { ASSERT_EQ(0, MMevt_chanPressure(t, clock, ch, value)); }
    static void paf(mmtrk *t, uint32_t clock, int ch, int key, int value)
    {
        ASSERT_EQ(0, MMevt_polyPressure(t, clock, ch, key, value));
    }
    static void tempo(mmtrk *t, uint32_t clock, uint32_t usec) { ASSERT_EQ(0, MMevt_tempo(t, clock, usec)); }
    static void sysex(mmtrk *t, uint32_t clock)
    {
        const uint8_t data[] = {0x43, 0x10};
        ASSERT_EQ(0, MMevt_sysex(t, clock, sizeof data, data));
    }
    static void clearMarker(mmtrk *t, uint32_t clock, int flags) { ASSERT_EQ(0, MMevt_marker(t, clock, 0x10, flags)); }
    static void endTrack(mmtrk *t, uint32_t clock) { ASSERT_EQ(0, MMevt_endTrack(t, clock)); }

    // The payloads of the track's list, head to tail.
    static std::vector<std::vector<int>> payloads(const mmtrk *t)
    {
        std::vector<std::vector<int>> all;
        for (const mmevt *e = t->head; e; e = e->next) all.emplace_back(e->data, e->data + e->length);
        return all;
    }
};
