#include "decl_fixture.h"

using ControlLine = DeclTest;

TEST_F(ControlLine, CommandWordIgnoresCaseAndBlanksAfterTheDot)
{
    EXPECT_EQ(0, line(".Title one"));
    EXPECT_STREQ("one", ctx->title);
    EXPECT_EQ(0, line(".TITLE two"));
    EXPECT_STREQ("two", ctx->title);
    EXPECT_EQ(0, line(".  \ttitle three"));
    EXPECT_STREQ("three", ctx->title);
    EXPECT_EQ(0, line(".title\tfour"));
    EXPECT_STREQ("four", ctx->title);
    EXPECT_EQ(0, line(".title"));
    EXPECT_STREQ("", ctx->title);
}

TEST_F(ControlLine, DotAndBlanksAloneIsAControlLineError)
{
    for (const char *text : {".", ".   ", ". \t\r"}) {
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Control line error!!", error) << text;
    }
}

TEST_F(ControlLine, WordsThatAreNotCommandsAreUnknown)
{
    // A command word ends only at a blank, a tab, a line feed or the end.
    for (const char *text : {".titles x", ".tit x", ".tempo120", ".title,x", ".a", ".zzz",
                             ".copyrightcopyrightcopyrightcopyright x", ".title\rx"}) {
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Unknown control command!!", error) << text;
    }
    EXPECT_STREQ("", ctx->title);
}

TEST_F(ControlLine, EveryImplementedCommandIsFound)
{
    EXPECT_EQ(0, line(".copyright (c) me"));
    EXPECT_EQ(0, line(".division 480"));
    EXPECT_EQ(0, line(".tempo 60"));
    EXPECT_EQ(0, line(".signature 3/4"));
    EXPECT_EQ(0, line(".track 1 macro:a"));
    EXPECT_EQ(0, line(".ccvbase 1 7/1"));
    EXPECT_EQ(0, line(".meas"));
    EXPECT_EQ(0, line(".optset ctrl tempo"));
    EXPECT_STREQ("(c) me", ctx->copyright);
    EXPECT_EQ(480, ctx->division);
    EXPECT_EQ(1000000u, ctx->tempo);
    EXPECT_EQ(3, ctx->signature[0]);
    EXPECT_EQ(1, MMtrk_findNo(ctx, 1)->ccBase[7]);
    EXPECT_EQ(1440u, ctx->measureClock);
    EXPECT_EQ(0, ctx->ctrlTrack->optFlags[0]);
}
