#include "decl_fixture.h"

using TrackDecl = DeclTest;

TEST_F(TrackDecl, MacroAloneGivesPortAAndTheSecondChannel)
{
    ASSERT_EQ(0, line(".track 1 macro:piano"));
    mmtrk *track = MMtrk_find(ctx, "PIANO");
    ASSERT_NE(nullptr, track);
    EXPECT_EQ(1u, track->number);
    EXPECT_EQ(0u, track->port);
    EXPECT_EQ(1u, track->channel);
    EXPECT_EQ(2, ctx->trackCount);
}

TEST_F(TrackDecl, WordsInAnyOrderSeparatedByBlanksOrCommas)
{
    ASSERT_EQ(0, line(".track 2 macro:bass,ch:3,port:B"));
    ASSERT_EQ(0, line(".track 3 ch:3 port:2 macro:lead"));
    ASSERT_EQ(0, line(".track 4 PORT:h, CH:16 , Macro:pad"));
    ASSERT_EQ(0, line(".track 5 port:8 ch:1 macro:x macro:drums ch:10 port:c"));
    struct Expected { const char *name; uint32_t number, port, channel; };
    for (const Expected &e : {Expected{"bass", 2, 1, 2}, Expected{"lead", 3, 1, 2}, Expected{"pad", 4, 7, 15},
                              Expected{"drums", 5, 2, 9}}) {
        mmtrk *track = MMtrk_find(ctx, e.name);
        ASSERT_NE(nullptr, track) << e.name;
        EXPECT_EQ(e.number, track->number) << e.name;
        EXPECT_EQ(e.port, track->port) << e.name;
        EXPECT_EQ(e.channel, track->channel) << e.name;
    }
    EXPECT_EQ(nullptr, MMtrk_find(ctx, "x"));
}

TEST_F(TrackDecl, QuotedWordKeepsBlanksInTheName)
{
    ASSERT_EQ(0, line(".track 6 \"macro:my song\" \"ch: 4\""));
    mmtrk *track = MMtrk_findNo(ctx, 6);
    ASSERT_NE(nullptr, track);
    EXPECT_STREQ("my song", track->name);
    EXPECT_EQ(3u, track->channel);
}

TEST_F(TrackDecl, SyntaxFaultsCreateNoTrack)
{
    for (const char *text : {".track", ".track x macro:a", ".track 0 macro:a", ".track -1 macro:a", ".track 1",
                             ".track 1   ", ".track 3 ch:4", ".track 1 macro:", ".track 1 macro:a name:b",
                             ".track 1 macro:a,,ch:2", ".track 1 macro:a,", ".track 1 macro:a ch:17",
                             ".track 1 macro:a ch:0", ".track 1 macro:a ch:", ".track 1 macro:a ch:3x",
                             ".track 1 macro:a port:I", ".track 1 macro:a port:9", ".track 1 macro:a port:0",
                             ".track 1 macro:a port:", ".track 1 macro:a port:AB", ".track 1 macro:a port:1x",
                             ".track 1 macro:a ch 3", ".track 1 macros:a"}) {
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Track setting error!", error) << text;
    }
    EXPECT_EQ(1, ctx->trackCount);
}
