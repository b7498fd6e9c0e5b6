#include "mml/part_params.h"

#include "../fixture.h"

namespace {

class PartParams : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        a = track(1, "a");
        part = MMpart_get(a, 0);
    }

    mmtrk *a = nullptr;
    mmpart *part = nullptr;
};

TEST_F(PartParams, ControlSetterRefusesControllerNumbersOutsideTheTable)
{
    mmval value = MMval_abs(1);
    EXPECT_EQ(-1, MMpart_setControl(ctx, part, &value, 0, 128));
    EXPECT_EQ("Illegal controller number 128 (80h)!", pending());
    EXPECT_EQ(-1, MMpart_setControl(ctx, part, &value, 0, -1));
    EXPECT_EQ("Illegal controller number -1 (FFFFFFFFh)!", pending());
    EXPECT_TRUE(MMevt_none(a));
}

TEST_F(PartParams, EventTimeAddsDelaysAndNeverGoesBelowZero)
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

TEST_F(PartParams, OffsetterAndAftertouchNamesFollowTheLanguage)
{
    MM_setLanguage(1);
    EXPECT_EQ(MM_localText("コントロールチェンジ( 10)・オフセッタの指定に誤りがあります。"), mml("a(0) = p#200"));
    // The aftertouch names are one text in both languages.
    EXPECT_EQ("Polyphonic-after-touch delay error!", mml("a(0) = ^(mmlcmd,i,pafdelay) i-1"));
    EXPECT_EQ(MM_localText("Polyohonic-after-touch delay・オフセッタの指定に誤りがあります。"), mml("a(0) = i#70000"));
}

// Sums and products that leave 32 bits wrap like machine words instead of
// trapping; the sanitizer build runs this.
TEST_F(PartParams, HugeLengthsAndRatiosWrapWithoutFaults)
{
    EXPECT_EQ("", mml("a(0) = q10000 c:2147483647 c:2147483647,2147483647% c:2147483647...."));
    EXPECT_EQ("", mml("a(1) = ^(mmlcmd,i,step) i#65535 l:2147483647 r r {c}:2147483647/2 ^(mmlcmd,j,gate) j#65535 c"));
}

// A random velocity draws anew for every note; a relative ratio taken from a
// random record starts from its last draw.
TEST_F(PartParams, RandomVelocityDrawsForEveryNote)
{
    ASSERT_EQ("", mml("a(0) = v*100..110 c c c c v'-50% c"));
    std::vector<int> velocities = noteVelocities(a);
    ASSERT_EQ(5u, velocities.size());
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(velocities[i] >= 100 && velocities[i] <= 110) << velocities[i];
    EXPECT_NE(velocities, std::vector<int>(5, velocities[0]));
    EXPECT_EQ(velocities[3] - velocities[3] / 2, velocities[4]);
}

}  // namespace
