// Shared set-up for the event-store tests: a fresh compiler context with its
// control track, and readable copies of event lists.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "store/context.h"
#include "store/event.h"
#include "store/track.h"

struct StoredEvent {
    uint32_t clock;
    std::vector<uint8_t> bytes;
    bool operator==(const StoredEvent &) const = default;
};

inline std::vector<uint8_t> payload(const mmevt *e) { return {e->data, e->data + e->length}; }

// The list from head to tail; also checks that the back links agree.
inline std::vector<StoredEvent> eventsOf(const mmtrk *track)
{
    std::vector<StoredEvent> events;
    const mmevt *prev = nullptr;
    for (const mmevt *e = track->head; e; prev = e, e = e->next) {
        EXPECT_EQ(prev, e->prev);
        events.push_back({e->clock, payload(e)});
    }
    EXPECT_EQ(prev, track->tail);
    return events;
}

// Empties MM_ctx and starts it as the compile start-up does, with "CTRL".
inline void resetContext(uint32_t workMode, const std::string &workPath)
{
    MMtrk_freeAll(&MM_ctx);
    memset((void *)&MM_ctx, 0, sizeof MM_ctx);
    MM_ctx.division = 960;
    MM_ctx.workMode = workMode;
    snprintf(MM_ctx.workPath, sizeof MM_ctx.workPath, "%s", workPath.c_str());
    ASSERT_EQ(0, MMtrk_int(&MM_ctx));
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { resetContext(0, ""); }
    void TearDown() override { MMtrk_freeAll(&MM_ctx); }

    mmtrk *newTrack(uint32_t number, uint32_t channel = 0)
    {
        std::string name = "track" + std::to_string(number);
        EXPECT_EQ(0, MMtrk_create(ctx, number, name.c_str(), 0, channel));
        return MMtrk_findNo(ctx, number);
    }

    mmctx *ctx = &MM_ctx;
};
