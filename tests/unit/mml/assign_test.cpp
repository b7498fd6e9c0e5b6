#include "mml/assign.h"

#include "../fixture.h"
#include "store/assign_table.h"

namespace {

class Assign : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        a = track(1, "a");
    }

    mmtrk *a = nullptr;
};

// Each table counts as its size when first written (the per-note pitch bend
// table as 16384 entries of 16 bits), once however often it is written, and
// the count falls back when the line with `@END` ends.
TEST_F(Assign, TablesCountTheirSizeUntilEndReleasesThem)
{
    ASSERT_EQ("", mml("a(0) = r"));
    int32_t start = ctx->workSize;
    ASSERT_EQ("", mml("a(0) = @NOTEASN(vel,on,c4:1) @NOTEASN(vel,on,d4:2) @NOTEASN(pitch,off,c4:1)"));
    ASSERT_EQ("", mml("a(0) = @PROGASN(pitch,abs,1:0) @PROGASN(cc:7,off,2:3)"));
    EXPECT_EQ(start + MM_ASSIGN_WORK + MM_NOTE_PITCH_WORK + MM_PROG_PITCH_WORK + MM_ASSIGN_WORK, ctx->workSize);
    ASSERT_NE(nullptr, a->assign);
    ASSERT_EQ("", mml("a(0) = @END()"));
    EXPECT_EQ(nullptr, a->assign);
    EXPECT_EQ(start - MM_PART_WORK, ctx->workSize);
}

// A faulty argument fails the command, and what the arguments before it
// wrote stays.
TEST_F(Assign, FaultyArgumentKeepsWhatCameBefore)
{
    EXPECT_EQ("(no message)", mml("a(0) = @NOTEASN(vel,off,c4-d4:-5,e4:-128,f4:7)"));
    EXPECT_EQ("@NOTEASN(vel,off,c4-d4:-5,e4:-128,f4:7)", errorPoint());
    ASSERT_NE(nullptr, a->assign);
    const MMassignPair &velocities = a->assign->byNote.pair[MMAK_VELOCITY];
    EXPECT_EQ(nullptr, velocities.table[MMAF_ABSOLUTE]);
    EXPECT_EQ(-5, velocities.offset(60));
    EXPECT_EQ(-5, velocities.offset(62));
    EXPECT_EQ(0, velocities.offset(63));
    EXPECT_EQ(0, velocities.offset(65));
}

}  // namespace
