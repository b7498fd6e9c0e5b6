#include "output/optimizer.h"

#include "../fixture.h"

namespace {

class OptimizerTest : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        t = track(1, "piano");
    }

    // Writes the events at clocks 0, 1, 2, ..., thins the track and gives
    // the indexes of the events that stay.
    std::vector<int> kept(mmtrk *into, const std::vector<Bytes> &events)
    {
        for (uint32_t clock = 0; clock < events.size(); ++clock) raw(into, clock, events[clock]);
        EXPECT_EQ(0, MMopt_track(ctx, into));
        std::vector<int> indexes;
        for (const StoredEvent &e : eventsOf(into)) indexes.push_back((int)e.clock);
        MMevt_freeAll(into);
        return indexes;
    }

    mmtrk *t = nullptr;
};

const Bytes kTempo500 = {0xff, 0x51, 0x03, 0x07, 0xa1, 0x20};

TEST_F(OptimizerTest, ForgetRules)
{
    struct Case {
        const char *rule;
        std::vector<Bytes> events;
        std::vector<int> kept;
    };
    const Case cases[] = {
        {"a repeated program goes unless something forgets it; notes forget only aftertouch, reset-all "
         "only controllers, bank select the program; channels are apart",
         {{0xc0, 5}, {0xc0, 5}, {0x90, 60, 100}, {0xc0, 5}, {0xb0, 121, 0}, {0xc0, 5}, {0xb0, 0, 1}, {0xc0, 5},
          {0xc1, 5}},
         {0, 2, 4, 6, 7, 8}},
        {"controllers thin only where their word is on",
         {{0xb0, 7, 100}, {0xb0, 7, 100}, {0xb0, 2, 100}, {0xb0, 2, 100}, {0xb0, 7, 99}, {0xb0, 11, 64},
          {0xb0, 11, 64}},
         {0, 2, 3, 4, 5}},
        {"a program change forgets pitch, aftertouch and controllers",
         {{0xe0, 0x28, 0x46}, {0xd0, 40}, {0xb0, 7, 90}, {0xc0, 3}, {0xe0, 0x28, 0x46}, {0xd0, 40}, {0xb0, 7, 90},
          {0xe0, 0x28, 0x46}},
         {0, 1, 2, 3, 4, 5, 6}},
        {"pitch bend compares both data bytes",
         {{0xe0, 0, 64}, {0xe0, 0, 65}, {0xe0, 0, 65}, {0xe0, 1, 64}},
         {0, 1, 3}},
        {"exclusive forgets every channel",
         {{0xb0, 7, 100}, {0xb5, 7, 100}, {0xc9, 1}, {0xf0, 0x43, 0x10, 0xf7}, {0xb0, 7, 100}, {0xb5, 7, 100},
          {0xc9, 1}},
         {0, 1, 2, 3, 4, 5, 6}},
        {"aftertouch kinds forget each other, per note for poly; a note forgets both",
         {{0xd0, 30}, {0xd0, 30}, {0xa0, 60, 30}, {0xd0, 30}, {0xa0, 60, 30}, {0xa0, 61, 30}, {0xa0, 60, 30},
          {0x90, 60, 100}, {0xa0, 61, 30}, {0xd0, 30}},
         {0, 2, 3, 4, 5, 7, 8, 9}},
        {"a removed event forgets nothing",
         {{0xc0, 5}, {0xe0, 100, 0}, {0xc0, 5}, {0xe0, 100, 0}},
         {0, 1}},
        {"a clear marker forgets what its flags name",
         {{0xc0, 5}, {0xb3, 7, 100}, {0xff, 0xff, 0x10, 0xff, 0xff}, {0xc0, 5}, {0xb3, 7, 100},
          {0xff, 0xff, 0x10, 0x00, 0x04}, {0xc0, 5}, {0xb3, 7, 100}},
         {0, 1, 2, 3, 4, 5, 7}},
        {"short and unknown records are left alone",
         {{0xc0}, {0xc0}, {0xff, 0x51}, {0xff, 0x51}, {0xff, 0xff, 0x20, 0xff, 0xff}, {0xf8}},
         {0, 1, 2, 3, 4, 5}},
    };
    for (const Case &c : cases) EXPECT_EQ(c.kept, kept(t, c.events)) << c.rule;

    // Tempo, on the control track: a clear marker forgets it only with its flag.
    EXPECT_EQ((std::vector<int>{0, 2, 3}),
              kept(ctx->ctrlTrack, {kTempo500, kTempo500, {0xff, 0x51, 0x03, 0x06, 0x1a, 0x80}, kTempo500, kTempo500}));
    EXPECT_EQ((std::vector<int>{0, 1, 3, 4}),
              kept(ctx->ctrlTrack, {kTempo500, {0xff, 0xff, 0x10, 0x40, 0x00}, kTempo500,
                                    {0xff, 0xff, 0x10, 0x00, 0x40}, kTempo500}));
}

TEST_F(OptimizerTest, FlagWordsChooseWhatIsThinnedAndForgotten)
{
    ctx->ctrlTrack->optFlags[MMOPT_TEMPO] = 0;
    EXPECT_EQ((std::vector<int>{0, 1}), kept(ctx->ctrlTrack, {kTempo500, kTempo500}));

    t->optFlags[MMOPT_CC0 + 64] = MMOPT_ON | MMOPT_FPROG;  // sustain thinned, forgets the program
    t->optFlags[MMOPT_NOTE] = 0;                          // notes forget nothing
    EXPECT_EQ((std::vector<int>{0, 2, 3, 4, 5, 6}),
              kept(t, {{0xb0, 64, 127}, {0xb0, 64, 127}, {0xc0, 8}, {0xb0, 64, 127}, {0xc0, 8}, {0xd0, 9},
                       {0x90, 60, 100}, {0xd0, 9}}));
}

TEST_F(OptimizerTest, RemovalKeepsTheRecordsAndWorkSizeSound)
{
    for (uint32_t clock = 0; clock < 3; ++clock) raw(t, clock, {0xc0, 5});
    int32_t before = ctx->workSize;
    ASSERT_EQ(0, MMopt_track(ctx, t));
    EXPECT_EQ(before - 2 * (2 + MM_EVENT_WORK), ctx->workSize);
    // A record written later, even an earlier one, still lands in time order.
    raw(t, 5, {0xc0, 6});
    raw(t, 1, {0xc0, 7});
    EXPECT_EQ((std::vector<StoredEvent>{{0, {0xc0, 5}}, {1, {0xc0, 7}}, {5, {0xc0, 6}}}), eventsOf(t));
    MMevt_freeAll(t);
    EXPECT_EQ(before - 3 * (2 + MM_EVENT_WORK), ctx->workSize);
}

}  // namespace
