#include "mml/part_params.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driver/message_table.h"
#include "mml/mml_line.h"
#include "mml/random.h"
#include "store/event.h"
#include "store/track.h"

namespace {

constexpr int32_t kDefaultCmdMap[MM_LETTERS] = {-1, -1, -1, -1, -1, -1, -1, 2, 0, 0, 11, -1, 129,
                                                -1, 12, 138, 16, -1, 4, 1, 22, 13, 135, 139, 0, 0};

// A compile context with the start-up defaults, CTRL and one track "a".
class MmlContext : public ::testing::Test {
protected:
    mmctx *ctx = &MM_ctx;

    void SetUp() override
    {
        MMtrk_freeAll(ctx);
        memset(ctx, 0, sizeof *ctx);
        memcpy(ctx->cmdMap, kDefaultCmdMap, sizeof ctx->cmdMap);
        ctx->division = 960;
        ctx->tempo = ctx->curTempo = 500000;
        static constexpr uint8_t kSignature[4] = {4, 2, 24, 8};
        memcpy(ctx->signature, kSignature, 4);
        ctx->errMsg = ctx->errBuf;
        MM_srand(0);
        ASSERT_EQ(0, MMtrk_int(ctx));
        ASSERT_EQ(0, MMtrk_create(ctx, 1, "a", 0, 0));
        track = MMtrk_find(ctx, "a");
        part = MMpart_get(track, 0);
    }
    void TearDown() override
    {
        MM_setLanguage(0);
        MMtrk_freeAll(ctx);
    }

    int eventCount() const
    {
        int n = 0;
        for (mmevt *e = track->head; e; e = e->next) ++n;
        return n;
    }

    mmtrk *track = nullptr;
    mmpart *part = nullptr;
};

TEST_F(MmlContext, ControlSetterRefusesControllerNumbersOutsideTheTable)
{
    mmval value = MMval_abs(1);
    EXPECT_EQ(-1, MMpart_setControl(ctx, part, &value, 0, 128));
    EXPECT_STREQ("Illegal controller number 128 (80h)!", ctx->errMsg);
    EXPECT_EQ(-1, MMpart_setControl(ctx, part, &value, 0, -1));
    EXPECT_STREQ("Illegal controller number -1 (FFFFFFFFh)!", ctx->errMsg);
    EXPECT_EQ(0, eventCount());
}

// The setter messages with a range carry a double-byte wave dash, printed in
// the user's encoding whatever the language.
TEST_F(MmlContext, RangeMessagesCarryTheWaveDashInTheUsersEncoding)
{
    struct Case {
        MMparam index;
        int32_t value;
        const char *message;
    };
    const Case cases[] = {
        {MMP_OCTAVE, 10, "Octave error! (-1～9)"},
        {MMP_KEYSHIFT, -128, "Keyshift error! (-127～+127)"},
        {MMP_VELOCITY, 0, "Velocity error! (1～127)"},
        {MMP_OFFVEL, 128, "Off-velocity error! (0～127)"},
    };
    for (const Case &c : cases) {
        mmval value = MMval_abs(c.value);
        EXPECT_EQ(-1, MMpart_setParam(ctx, part, c.index, &value));
        EXPECT_STREQ(MM_localText(c.message), ctx->errMsg);
    }
    mmval tempo = MMval_abs(513);
    EXPECT_EQ(-1, MMpart_setTempo(ctx, part, &tempo, 0));
    EXPECT_STREQ(MM_localText("Tempo error! (16～512)"), ctx->errMsg);
    // A failed setter leaves the part as it was.
    EXPECT_EQ(4, part->param[MMP_OCTAVE].value);
    EXPECT_EQ(0, part->param[MMP_TEMPO].value);
}

TEST_F(MmlContext, EventTimeAddsDelaysAndNeverGoesBelowZero)
{
    part->clock = 50;
    part->param[MMP_DELAY] = MMval_abs(-20);
    part->offset[MMP_DELAY] = MMval_abs(5);
    EXPECT_EQ(35u, MMpart_time(part));
    part->param[MMP_DELAY] = MMval_abs(-100);
    EXPECT_EQ(0u, MMpart_time(part));
    // Clocks past 2^31 stay unsigned.
    part->clock = 0x90000000u;
    part->param[MMP_DELAY] = MMval_abs(16);
    EXPECT_EQ(0x90000015u, MMpart_time(part));
}

TEST_F(MmlContext, MessageNamesFollowTheLanguage)
{
    MM_setLanguage(1);
    EXPECT_EQ(-1, MMmml_line(ctx, "a(0) = v200"));
    EXPECT_STREQ(MM_localText("ベロシティ・パラメータの指定に誤りがあります。"), ctx->errMsg);
    EXPECT_EQ(-1, MMmml_line(ctx, "a(0) = p#200"));
    EXPECT_STREQ(MM_localText("コントロールチェンジ( 10)・オフセッタの指定に誤りがあります。"), ctx->errMsg);
    // The aftertouch names are one text in both languages.
    EXPECT_EQ(-1, MMmml_line(ctx, "a(0) = ^(mmlcmd,i,pafdelay) i-1"));
    EXPECT_STREQ("Polyphonic-after-touch delay error!", ctx->errMsg);
    EXPECT_EQ(-1, MMmml_line(ctx, "a(0) = ^(mmlcmd,i,pafdelay) i#70000"));
    EXPECT_STREQ(MM_localText("Polyohonic-after-touch delay・オフセッタの指定に誤りがあります。"), ctx->errMsg);
}

// Sums and products that leave 32 bits wrap like machine words instead of
// trapping; the sanitizer build runs this.
TEST_F(MmlContext, HugeLengthsAndRatiosWrapWithoutFaults)
{
    EXPECT_EQ(0, MMmml_line(ctx, "a(0) = q10000 c:2147483647 c:2147483647,2147483647% c:2147483647...."));
    EXPECT_EQ(0, MMmml_line(ctx, "a(1) = ^(mmlcmd,i,step) i#65535 l:2147483647 r r {c}:2147483647/2 ^(mmlcmd,j,gate) j#65535 c"));
}

// A random velocity draws anew for every note; a relative ratio taken from a
// random record starts from its last draw.
TEST_F(MmlContext, RandomVelocityDrawsForEveryNote)
{
    ASSERT_EQ(0, MMmml_line(ctx, "a(0) = v*100..110 c c c c v'-50% c"));
    std::vector<int> velocities;
    for (mmevt *e = track->head; e; e = e->next)
        if (e->data[0] == 0x90 && e->data[2] != 0) velocities.push_back(e->data[2]);
    ASSERT_EQ(5u, velocities.size());
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(velocities[i], 100);
        EXPECT_LE(velocities[i], 110);
    }
    EXPECT_NE(velocities, std::vector<int>(5, velocities[0]));
    EXPECT_EQ(velocities[3] - velocities[3] / 2, velocities[4]);
}

}  // namespace
