#include "output/optimizer.h"

#include "song_fixture.h"

namespace {

using Payloads = std::vector<std::vector<int>>;

class OptimizerTest : public SongFixture {
protected:
    mmtrk *t = nullptr;
    void SetUp() override
    {
        SongFixture::SetUp();
        t = track(1, "piano");
    }
    // Thins the track and returns what stays.
    Payloads thinned()
    {
        EXPECT_EQ(0, MMopt_track(ctx, t));
        return payloads(t);
    }
};

TEST_F(OptimizerTest, RepeatedProgramGoesUnlessSomethingForgetsIt)
{
    program(t, 0, 0, 5);
    program(t, 10, 0, 5);                  // nothing between
    note(t, 20, 0, 60);                    // notes forget only aftertouch
    program(t, 30, 0, 5);
    control(t, 40, 0, 121, 0);             // reset-all forgets controllers, not the program
    program(t, 50, 0, 5);
    control(t, 60, 0, 0, 1);               // bank select forgets the program
    program(t, 70, 0, 5);
    program(t, 80, 1, 5);                  // another channel keeps its own
    EXPECT_EQ((Payloads{{0xc0, 5}, {0x90, 60, 100}, {0xb0, 121, 0}, {0xb0, 0, 1}, {0xc0, 5}, {0xc1, 5}}),
              thinned());
}

TEST_F(OptimizerTest, ControllersThinOnlyWhereTheirWordIsOn)
{
    control(t, 0, 0, 7, 100);
    control(t, 1, 0, 7, 100);
    control(t, 2, 0, 2, 100);
    control(t, 3, 0, 2, 100);
    control(t, 4, 0, 7, 99);
    control(t, 5, 0, 11, 64);
    control(t, 6, 0, 11, 64);
    EXPECT_EQ((Payloads{{0xb0, 7, 100}, {0xb0, 2, 100}, {0xb0, 2, 100}, {0xb0, 7, 99}, {0xb0, 11, 64}}), thinned());
}

TEST_F(OptimizerTest, ProgramChangeForgetsPitchAftertouchAndControllers)
{
    pitch(t, 0, 0, 9000);
    caf(t, 0, 0, 40);
    control(t, 0, 0, 7, 90);
    program(t, 10, 0, 3);
    pitch(t, 20, 0, 9000);
    caf(t, 20, 0, 40);
    control(t, 20, 0, 7, 90);
    pitch(t, 30, 0, 9000);                 // nothing forgot it this time
    EXPECT_EQ(7u, thinned().size());
}

TEST_F(OptimizerTest, PitchBendComparesBothDataBytes)
{
    pitch(t, 0, 0, 8192);
    pitch(t, 1, 0, 8192 + 128);            // same low byte, other high byte
    pitch(t, 2, 0, 8192 + 128);
    pitch(t, 3, 0, 8193);
    EXPECT_EQ((Payloads{{0xe0, 0, 64}, {0xe0, 0, 65}, {0xe0, 1, 64}}), thinned());
}

TEST_F(OptimizerTest, ExclusiveForgetsEveryChannel)
{
    control(t, 0, 0, 7, 100);
    control(t, 0, 5, 7, 100);
    program(t, 0, 9, 1);
    sysex(t, 10);
    control(t, 20, 0, 7, 100);
    control(t, 20, 5, 7, 100);
    program(t, 20, 9, 1);
    EXPECT_EQ(7u, thinned().size());
}

TEST_F(OptimizerTest, AftertouchKindsForgetEachOther)
{
    caf(t, 0, 0, 30);
    caf(t, 1, 0, 30);                      // repeat: goes
    paf(t, 2, 0, 60, 30);                  // poly forgets channel aftertouch
    caf(t, 3, 0, 30);                      // kept, and forgets poly aftertouch
    paf(t, 4, 0, 60, 30);                  // kept
    paf(t, 5, 0, 61, 30);                  // another note: kept
    paf(t, 6, 0, 60, 30);                  // repeat of note 60: goes
    note(t, 7, 0, 60);                     // a note forgets both
    paf(t, 8, 0, 61, 30);
    caf(t, 9, 0, 30);
    EXPECT_EQ((Payloads{{0xd0, 30}, {0xa0, 60, 30}, {0xd0, 30}, {0xa0, 60, 30}, {0xa0, 61, 30},
                        {0x90, 60, 100}, {0xa0, 61, 30}, {0xd0, 30}}),
              thinned());
}

TEST_F(OptimizerTest, RemovedEventForgetsNothing)
{
    program(t, 0, 0, 5);
    pitch(t, 10, 0, 100);
    program(t, 20, 0, 5);                  // goes, so the pitch bend stays remembered
    pitch(t, 30, 0, 100);
    EXPECT_EQ((Payloads{{0xc0, 5}, {0xe0, 100, 0}}), thinned());
}

TEST_F(OptimizerTest, RepeatedTempoGoesUnlessTheWordIsOff)
{
    tempo(ctrl(), 0, 500000);
    tempo(ctrl(), 100, 500000);
    tempo(ctrl(), 200, 400000);
    tempo(ctrl(), 300, 500000);
    tempo(ctrl(), 400, 500000);
    ASSERT_EQ(0, MMopt_track(ctx, ctrl()));
    EXPECT_EQ(3u, payloads(ctrl()).size());

    ctrl()->optFlags[MMOPT_TEMPO] = 0;
    tempo(ctrl(), 500, 500000);
    ASSERT_EQ(0, MMopt_track(ctx, ctrl()));
    EXPECT_EQ(4u, payloads(ctrl()).size());
}

TEST_F(OptimizerTest, ClearMarkerForgetsWhatItsFlagsName)
{
    program(t, 0, 0, 5);
    control(t, 0, 3, 7, 100);
    clearMarker(t, 10, 0xffff);
    program(t, 20, 0, 5);                  // kept
    control(t, 20, 3, 7, 100);             // kept
    clearMarker(t, 30, MMOPT_FCC);
    program(t, 40, 0, 5);                  // goes: only controllers forgotten
    control(t, 40, 3, 7, 100);             // kept
    Payloads left = thinned();
    EXPECT_EQ((Payloads{{0xc0, 5}, {0xb3, 7, 100}, {0xff, 0xff, 0x10, 0xff, 0xff}, {0xc0, 5}, {0xb3, 7, 100},
                        {0xff, 0xff, 0x10, 0x00, 0x04}, {0xb3, 7, 100}}),
              left);
}

TEST_F(OptimizerTest, ClearMarkerWithTempoForgetsTheTempo)
{
    tempo(ctrl(), 0, 500000);
    clearMarker(ctrl(), 10, MMOPT_FPROG);
    tempo(ctrl(), 20, 500000);             // goes
    clearMarker(ctrl(), 30, MMOPT_FTEMPO);
    tempo(ctrl(), 40, 500000);             // kept
    ASSERT_EQ(0, MMopt_track(ctx, ctrl()));
    EXPECT_EQ(4u, payloads(ctrl()).size());
}

TEST_F(OptimizerTest, ForgetBitsOfUserWordsApply)
{
    t->optFlags[MMOPT_CC0 + 64] = MMOPT_ON | MMOPT_FPROG;   // sustain thinned, forgets the program
    t->optFlags[MMOPT_NOTE] = 0;                          // notes forget nothing
    control(t, 0, 0, 64, 127);
    control(t, 1, 0, 64, 127);
    program(t, 2, 0, 8);
    control(t, 3, 0, 64, 127);
    program(t, 4, 0, 8);
    caf(t, 5, 0, 9);
    note(t, 6, 0, 60);
    caf(t, 7, 0, 9);
    EXPECT_EQ((Payloads{{0xb0, 64, 127}, {0xc0, 8}, {0xb0, 64, 127}, {0xc0, 8}, {0xd0, 9}, {0x90, 60, 100}}),
              thinned());
}

TEST_F(OptimizerTest, RemovalKeepsTheListAndWorkSizeSound)
{
    program(t, 0, 0, 5);
    program(t, 1, 0, 5);
    program(t, 2, 0, 5);
    int32_t before = ctx->workSize;
    ASSERT_EQ(0, MMopt_track(ctx, t));
    EXPECT_EQ(before - 2 * (2 + MM_EVENT_WORK), ctx->workSize);
    ASSERT_NE(nullptr, t->head);
    EXPECT_EQ(t->head, t->tail);
    EXPECT_EQ(nullptr, t->head->next);
    EXPECT_EQ(nullptr, t->head->prev);
    // A later insertion still lands in time order.
    program(t, 5, 0, 6);
    EXPECT_EQ(5u, t->tail->clock);
    EXPECT_EQ(t->head, t->tail->prev);
}

TEST_F(OptimizerTest, ShortAndUnknownRecordsAreLeftAlone)
{
    raw(t, 0, {0xc0});                     // no data byte
    raw(t, 1, {0xc0});
    raw(t, 2, {0xff, 0x51});               // tempo without its value
    raw(t, 3, {0xff, 0x51});
    raw(t, 4, {0xff, 0xff, 0x20, 0xff, 0xff});   // a marker of another kind
    raw(t, 5, {0xf8});
    EXPECT_EQ(6u, thinned().size());
}

TEST_F(OptimizerTest, RunThinsEveryTrack)
{
    mmtrk *bass = track(2, "bass");
    program(t, 0, 0, 1);
    program(t, 1, 0, 1);
    program(bass, 0, 1, 1);
    program(bass, 1, 1, 1);
    tempo(ctrl(), 0, 500000);
    tempo(ctrl(), 1, 500000);
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, MMopt_run(ctx));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("Optimizing..."));
    EXPECT_EQ(1u, payloads(t).size());
    EXPECT_EQ(1u, payloads(bass).size());
    EXPECT_EQ(1u, payloads(ctrl()).size());
}

}  // namespace
