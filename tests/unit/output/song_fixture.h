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

    // One event each, in the form the typed writers give it.
    static void note(mmtrk *t, uint32_t clock, int ch, int key) { raw(t, clock, {0x90 | ch, key, 100}); }
    static void noteOff(mmtrk *t, uint32_t clock, int ch, int key) { raw(t, clock, {0x80 | ch, key, 64}); }
    static void program(mmtrk *t, uint32_t clock, int ch, int value) { raw(t, clock, {0xc0 | ch, value}); }
    static void control(mmtrk *t, uint32_t clock, int ch, int cc, int value) { raw(t, clock, {0xb0 | ch, cc, value}); }
    static void pitch(mmtrk *t, uint32_t clock, int ch, int value) { raw(t, clock, {0xe0 | ch, value & 127, value >> 7}); }
    static void caf(mmtrk *t, uint32_t clock, int ch, int value) { raw(t, clock, {0xd0 | ch, value}); }
    static void paf(mmtrk *t, uint32_t clock, int ch, int key, int value) { raw(t, clock, {0xa0 | ch, key, value}); }
    static void tempo(mmtrk *t, uint32_t clock, uint32_t usec)
    {
        raw(t, clock, {0xff, 0x51, 3, (int)(usec >> 16) & 255, (int)(usec >> 8) & 255, (int)usec & 255});
    }
    static void sysex(mmtrk *t, uint32_t clock) { raw(t, clock, {0xf0, 0x43, 0x10, 0xf7}); }
    static void clearMarker(mmtrk *t, uint32_t clock, int flags) { raw(t, clock, {0xff, 0xff, 0x10, flags & 255, flags >> 8}); }
    static void endTrack(mmtrk *t, uint32_t clock) { raw(t, clock, {0xff, 0x2f, 0}); }

    // The payloads of the track's list, head to tail.
    static std::vector<std::vector<int>> payloads(const mmtrk *t)
    {
        std::vector<std::vector<int>> all;
        for (const mmevt *e = t->head; e; e = e->next) all.emplace_back(e->data, e->data + e->length);
        return all;
    }
};
