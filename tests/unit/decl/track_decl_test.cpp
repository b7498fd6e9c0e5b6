#include "decl/control.h"

#include "../fixture.h"

namespace {

using TrackDecl = ContextTest;

// Words come in any order, separated by blanks or commas; the last of a kind
// counts; a quoted word keeps its blanks; without them a track has port A and
// the second channel.
TEST_F(TrackDecl, WordsAndTheirDefaults)
{
    struct Case {
        const char *line;
        uint32_t number;
        const char *name;
        uint32_t port, channel;
    };
    const Case cases[] = {
        {".track 1 macro:piano", 1, "piano", 0, 1},
        {".track 3 ch:3 port:2 macro:lead", 3, "lead", 1, 2},
        {".track 4 PORT:h, CH:16 , Macro:pad", 4, "pad", 7, 15},
        {".track 5 port:8 ch:1 macro:x macro:drums ch:10 port:c", 5, "drums", 2, 9},
        {".track 6 \"macro:my song\" \"ch: 4\"", 6, "my song", 0, 3},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(0, MMctl_line(ctx, c.line)) << c.line << ": " << pending();
        mmtrk *track = MMtrk_findNo(ctx, c.number);
        ASSERT_NE(nullptr, track) << c.line;
        EXPECT_STREQ(c.name, track->name);
        EXPECT_EQ(c.port, track->port) << c.line;
        EXPECT_EQ(c.channel, track->channel) << c.line;
    }
    EXPECT_EQ(nullptr, MMtrk_find(ctx, "x"));
    EXPECT_EQ(6, ctx->trackCount);
}

}  // namespace

namespace {

// A MIDI file holds 65535 track chunks, CTRL among them: the track that
// would make the 65536th is refused when it is declared.
TEST_F(TrackDecl, AsManyTracksAsAMidiFileHolds)
{
    ASSERT_EQ(0, MMctl_line(ctx, ".track 1 macro:first"));
    ctx->trackCount = MM_MAX_TRACKS - 1;  // as if 65532 more had been declared
    EXPECT_EQ(0, MMctl_line(ctx, ".track 2147483647 macro:last")) << pending();
    EXPECT_EQ(-1, MMctl_line(ctx, ".track 3 macro:one_too_many"));
    EXPECT_EQ("Too many tracks! (a MIDI file holds 65535, CTRL included)", pending());
    EXPECT_STREQ("last", MMtrk_findNo(ctx, 2147483647)->name);
    EXPECT_EQ(1u, MMtrk_find(ctx, "FIRST")->number);
    EXPECT_EQ(nullptr, MMtrk_findNo(ctx, 3));
}

}  // namespace
