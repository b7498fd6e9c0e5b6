#include "mml/track_filter.h"

#include <cstring>

#include "../fixture.h"

// The songs in tests/songs/filter show what the filters do to events; these
// tests pin what the records keep, which no event shows directly.

namespace {

class TrackFilter : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        a = track(1, "a");
    }

    static bool same(const mmfilter &x, const mmfilter &y) { return memcmp(&x, &y, sizeof x) == 0; }

    mmtrk *a = nullptr;
};

TEST_F(TrackFilter, TempoLimitsAreGivenInBeatsPerMinuteAndKeptInMicroseconds)
{
    ASSERT_EQ("", mml("a(0) = @FILTER(tempo,min:60)"));
    EXPECT_EQ(156250, a->tempoF.lo);  // the creation value, not given
    EXPECT_EQ(1000000, a->tempoF.hi);
    ASSERT_EQ("", mml("a(0) = @FILTER(tempo,max:500,rnd:100/400)"));
    EXPECT_EQ(120000, a->tempoF.lo);
    EXPECT_EQ(150000, a->tempoF.randLo);  // 400 beats
    EXPECT_EQ(600000, a->tempoF.randHi);  // 100 beats
    EXPECT_EQ(1, a->tempoF.randOn);
    ASSERT_EQ("", mml("a(0) = @FILTER(tempo,off:-1000,ratio:150)"));
    EXPECT_EQ(-1000, a->tempoF.offset);  // microseconds
    EXPECT_EQ(1536, a->tempoF.ratio);
}

TEST_F(TrackFilter, RatioRoundsTowardZeroAndKeeps32Bits)
{
    const std::pair<const char *, int32_t> cases[] = {
        {"100", 1024}, {"50", 512}, {"33", 338}, {"1", 11}, {"0", 0}, {"-50", -511}, {"-1", -9},
        {"2147483647", (int32_t)(uint32_t)(((int64_t)INT32_MAX * 1024 + 99) / 100)},  // past 32 bits
    };
    for (auto [percent, ratio] : cases) {
        ASSERT_EQ("", mml(std::string("a(0) = @FILTER(caf,ratio:") + percent + ")")) << percent;
        EXPECT_EQ(ratio, a->cafF.ratio) << percent;
    }
}

TEST_F(TrackFilter, RandomBoundsAreKeptInOrderAsStored)
{
    ASSERT_EQ("", mml("a(0) = @FILTER(vel,rnd:100/200)"));  // 200 is -56 in 8 bits
    EXPECT_EQ(-56, a->velF.randLo);
    EXPECT_EQ(100, a->velF.randHi);
    EXPECT_EQ(1, a->velF.randOn);
    ASSERT_EQ("", mml("a(0) = @FILTER(pitch,rnd:300/-300)"));
    EXPECT_EQ(-300, a->pitchF.randLo);
    EXPECT_EQ(300, a->pitchF.randHi);
    ASSERT_EQ("", mml("a(0) = @FILTER(vel,rnd:1/257)"));  // equal as kept, different as given
    EXPECT_EQ(1, a->velF.randLo);
    EXPECT_EQ(1, a->velF.randHi);
    EXPECT_EQ(1, a->velF.randOn);
    ASSERT_EQ("", mml("a(0) = @FILTER(vel,rnd:5/5)"));
    EXPECT_EQ(0, a->velF.randOn);
}

TEST_F(TrackFilter, ARefusedCommandLeavesTheFilterAndNoMessage)
{
    mmfilter before = a->velF;
    for (const char *line : {"a(0) = @FILTER(vel,off:5,bit:8)", "a(0) = @FILTER(vel,off:5,gain:1)",
                             "a(0) = @FILTER(vel,off:5,rnd:1)", "a(0) = @FILTER(vel,off:5,min:-128)"}) {
        ctx->errMsg = "left from before";
        mmlLine = line;
        EXPECT_EQ(-1, MMmml_line(ctx, mmlLine.c_str())) << line;
        EXPECT_EQ(nullptr, ctx->errMsg) << line;
        EXPECT_TRUE(same(before, a->velF)) << line;
    }
    EXPECT_EQ("Filter error!!", mml("a(0) = @FILTER(vel)"));
    EXPECT_EQ("Filter error!!", mml("a(0) = @FILTER()"));
}

TEST_F(TrackFilter, ValidationFollowsTheKind)
{
    // Each line is refused; the one after it shows the boundary accepted.
    const std::pair<const char *, const char *> cases[] = {
        {"@FILTER(vel,min:-128)", "@FILTER(vel,min:-127)"},
        {"@FILTER(vel,max:0,min:1)", "@FILTER(vel,min:0,max:0)"},
        {"@FILTER(vel,bit:8)", "@FILTER(vel,bit:0)"},
        {"@FILTER(vel,bit:-1)", "@FILTER(vel,bit:263)"},  // kept as a byte: 7
        {"@FILTER(prog,rnd:-128/0)", "@FILTER(prog,rnd:-127/0)"},
        {"@FILTER(delay,min:-32768)", "@FILTER(delay,min:-32767)"},
        {"@FILTER(delay,bit:17)", "@FILTER(delay,bit:16)"},
        {"@FILTER(pitch,min:-16384)", "@FILTER(pitch,min:-16383)"},
        {"@FILTER(pitch,max:16384)", "@FILTER(pitch,max:16383)"},
        {"@FILTER(pitch,rnd:0/16384)", "@FILTER(pitch,rnd:-16383/16383)"},
        {"@FILTER(tempo,min:15)", "@FILTER(tempo,min:16)"},
        {"@FILTER(tempo,max:513)", "@FILTER(tempo,max:512)"},
        {"@FILTER(tempo,rnd:16/513)", "@FILTER(tempo,rnd:512/16)"},
        {"@FILTER(tempo,min:200,max:100)", "@FILTER(tempo,min:100,max:200)"},
        {"@FILTER(note,rnd:0/0)", "@FILTER(note,off:0)"},
        {"@FILTER(cc:-1,off:0)", "@FILTER(cc:+127,off:0)"},
    };
    for (auto [refused, accepted] : cases) {
        EXPECT_EQ("(no message)", mml(std::string("a(0) = ") + refused)) << refused;
        EXPECT_EQ("", mml(std::string("a(0) = ") + accepted)) << accepted;
    }
}

}  // namespace
