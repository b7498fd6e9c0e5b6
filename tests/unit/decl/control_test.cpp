#include "decl/control.h"

#include "../fixture.h"

namespace {

using ControlLine = ContextTest;

TEST_F(ControlLine, CommandWordIgnoresCaseAndBlanksAfterTheDot)
{
    for (const char *text : {".Title one", ".  \ttitle one", ".title\tone"}) {
        ASSERT_EQ(0, MMctl_line(ctx, text)) << text;
        EXPECT_STREQ("one", ctx->title) << text;
    }
    ASSERT_EQ(0, MMctl_line(ctx, ".title"));
    EXPECT_STREQ("", ctx->title);
    ASSERT_EQ(0, MMctl_line(ctx, ".OPTSET ctrl tempo"));  // no song sets the optimizer
    EXPECT_EQ(0, ctx->ctrlTrack->optFlags[0]);
}

// Each line fails alone; none changes the tempo, division or signature,
// makes a track or writes an event.
TEST_F(ControlLine, FaultyLinesFailWithTheirCommandsMessage)
{
    ASSERT_EQ(0, MMctl_line(ctx, ".track 2 macro:bass"));
    const std::pair<const char *, std::vector<const char *>> cases[] = {
        {"Control line error!!", {".", ". \t\r"}},
        // A command word ends only at a blank, a tab, a line feed or the end.
        {"Unknown control command!!", {".tit x", ".tempo120", ".title,x", ".title\rx", ".zzz"}},
        {"Tempo error!!", {".tempo 15", ".tempo 513", ".tempo", ".tempo 120x", ".tempo 120.5", ".tempo -120"}},
        {"Division error!!", {".division 23", ".division 9601", ".division", ".division 480 ppq"}},
        {"Signature error!!",
         {".signature 0/4", ".signature 33/4", ".signature 4/0", ".signature 4/64", ".signature 4/-4",
          ".signature 4 /4", ".signature 4", ".signature 4/", ".signature 4/4x", ".signature 4/4/4"}},
        {"Control value base setting error!",
         {".ccvbase 2 8/128", ".ccvbase 2 128/0", ".ccvbase 2 8 /1", ".ccvbase 2 8/", ".ccvbase 2 8",
          ".ccvbase 2 -1/0", ".ccvbase 2 8/1x", ".ccvbase 2 9/1,8/1"}},
        {"Track setting error!",
         {".track", ".track x macro:a", ".track 0 macro:a", ".track -1 macro:a", ".track 1", ".track 1   ",
          ".track 1 macro:", ".track 1 macro:a name:b", ".track 1 macro:a,,ch:2", ".track 1 macro:a,",
          ".track 1 macro:a ch:0", ".track 1 macro:a ch:", ".track 1 macro:a ch:3x", ".track 1 macro:a port:I",
          ".track 1 macro:a port:9", ".track 1 macro:a port:0", ".track 1 macro:a port:", ".track 1 macro:a port:AB",
          ".track 1 macro:a ch 3", ".track 1 macros:a"}},
    };
    for (const auto &[message, lines] : cases) {
        for (const char *text : lines) {
            ctx->errMsg = nullptr;
            EXPECT_EQ(-1, MMctl_line(ctx, text)) << text;
            EXPECT_EQ(message, pending()) << text;
        }
    }
    EXPECT_EQ(500000u, ctx->tempo);
    EXPECT_EQ(960, ctx->division);
    EXPECT_EQ(4, ctx->signature[0]);
    EXPECT_EQ(2, ctx->signature[1]);
    EXPECT_EQ(2, ctx->trackCount);
    EXPECT_TRUE(MMevt_none(ctx->ctrlTrack));
}

// A faulty measure line still closes the measure, as long as the current signature.
TEST_F(ControlLine, FaultyMeasStillClosesTheMeasure)
{
    for (const char *text : {".meas 3/5", ".meas 3", ".meas 0/4", ".meas 4/4 x", ".meas x"}) {
        uint32_t before = ctx->measureClock;
        ctx->errMsg = nullptr;
        EXPECT_EQ(-1, MMctl_line(ctx, text)) << text;
        EXPECT_EQ("\".meas\" error!!", pending()) << text;
        EXPECT_EQ(before + 3840u, ctx->measureClock) << text;
    }
    EXPECT_TRUE(MMevt_none(ctx->ctrlTrack));
}

}  // namespace
