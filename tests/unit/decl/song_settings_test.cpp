#include <vector>

#include "decl_fixture.h"
#include "store/event.h"

using SongSettings = DeclTest;

namespace {

std::vector<mmevt *> events(mmtrk *track)
{
    std::vector<mmevt *> list;
    for (mmevt *e = track->head; e; e = e->next) list.push_back(e);
    return list;
}

}  // namespace

TEST_F(SongSettings, TempoIsMicrosecondsPerQuarterWithinItsRange)
{
    EXPECT_EQ(0, line(".tempo 120"));
    EXPECT_EQ(500000u, ctx->tempo);
    EXPECT_EQ(0, line(".tempo 16"));
    EXPECT_EQ(3750000u, ctx->tempo);
    EXPECT_EQ(0, line(".tempo 512  "));
    EXPECT_EQ(117187u, ctx->tempo);
    for (const char *text : {".tempo 7", ".tempo 15", ".tempo 513", ".tempo", ".tempo x", ".tempo 120x",
                             ".tempo 120.5", ".tempo -120"}) {
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Tempo error!!", error) << text;
    }
    EXPECT_EQ(117187u, ctx->tempo);
    EXPECT_EQ(0u, ctx->tempoWritten);
}

TEST_F(SongSettings, DivisionWithinItsRange)
{
    EXPECT_EQ(0, line(".division 24"));
    EXPECT_EQ(24, ctx->division);
    EXPECT_EQ(0, line(".division 9600"));
    EXPECT_EQ(9600, ctx->division);
    for (const char *text : {".division 23", ".division 9601", ".division", ".division 480 ppq"}) {
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Division error!!", error) << text;
    }
    EXPECT_EQ(9600, ctx->division);
}

TEST_F(SongSettings, SignatureSetsBothCopiesAndKeepsTheClickBytes)
{
    EXPECT_EQ(0, line(".signature 6/8"));
    const uint8_t expected[4] = {6, 3, 24, 8};
    EXPECT_EQ(0, memcmp(expected, ctx->signature, 4));
    EXPECT_EQ(0, memcmp(expected, ctx->curSignature, 4));
    EXPECT_EQ(0, line(".signature 32/1"));
    EXPECT_EQ(32, ctx->signature[0]);
    EXPECT_EQ(0, ctx->signature[1]);
    EXPECT_EQ(0, line(".signature 1/32"));
    EXPECT_EQ(5, ctx->curSignature[1]);
    EXPECT_TRUE(events(ctx->ctrlTrack).empty());
}

TEST_F(SongSettings, MalformedSignaturesFail)
{
    for (const char *text : {".signature 3/6", ".signature 0/4", ".signature 33/4", ".signature 4/0",
                             ".signature 4/64", ".signature 4/-4", ".signature 4 /4", ".signature 4",
                             ".signature 4/", ".signature", ".signature 4/4x", ".signature 4/4/4"}) {
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Signature error!!", error) << text;
    }
    EXPECT_EQ(4, ctx->signature[0]);
    EXPECT_EQ(2, ctx->signature[1]);
}

TEST_F(SongSettings, MeasChangesTheSignatureAtTheBarLineItCloses)
{
    ASSERT_EQ(0, line(".track 1 macro:a"));
    EXPECT_EQ(0, line(".meas 3/4"));
    EXPECT_EQ(3840u, ctx->measureClock);
    EXPECT_EQ(3840u, MMtrk_findNo(ctx, 1)->measureClock);
    std::vector<mmevt *> list = events(ctx->ctrlTrack);
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(3840u, list[0]->clock);
    const uint8_t bytes[] = {0xFF, 0x58, 0x04, 3, 2, 24, 8};
    ASSERT_EQ(sizeof bytes, list[0]->length);
    EXPECT_EQ(0, memcmp(bytes, list[0]->data, sizeof bytes));
    EXPECT_TRUE(events(MMtrk_findNo(ctx, 1)).empty());

    // The next measure has the new length; the initial signature is untouched.
    EXPECT_EQ(0, line(".meas 6/8"));
    EXPECT_EQ(3840u + 2880u, ctx->measureClock);
    EXPECT_EQ(0, line(".meas"));
    EXPECT_EQ(3840u + 2880u + 2880u, ctx->measureClock);
    EXPECT_EQ(2u, events(ctx->ctrlTrack).size());
    EXPECT_EQ(4, ctx->signature[0]);
}

TEST_F(SongSettings, FaultyMeasStillClosesTheMeasure)
{
    for (const char *text : {".meas 3/5", ".meas 3", ".meas 0/4", ".meas 4/4 x", ".meas x"}) {
        uint32_t before = ctx->measureClock;
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("\".meas\" error!!", error) << text;
        EXPECT_EQ(before + 3840u, ctx->measureClock) << text;
    }
    EXPECT_TRUE(events(ctx->ctrlTrack).empty());
}

TEST_F(SongSettings, CopyrightSkipsLeadingBlanksAndKeepsTrailingOnes)
{
    EXPECT_EQ(0, line(".copyright   (c) 2024 me  "));
    EXPECT_STREQ("(c) 2024 me  ", ctx->copyright);
    EXPECT_EQ(0, line(".copyright again"));
    EXPECT_STREQ("again", ctx->copyright);
}

TEST_F(SongSettings, TitleIsNotCutInsideADoubleByteCharacter)
{
    // 254 single bytes, then a two-byte character that would end at byte 256.
    std::string text = std::string(254, 'x') + "\x83\x41" + "yz";
    EXPECT_EQ(0, line(".title " + text));
    EXPECT_EQ(std::string(254, 'x'), ctx->title);
    text = std::string(253, 'x') + "\x83\x41" + "yz";
    EXPECT_EQ(0, line(".title " + text));
    EXPECT_EQ(std::string(253, 'x') + "\x83\x41", ctx->title);
}

TEST_F(SongSettings, CcvbaseSetsPairsUntilTheFirstFault)
{
    ASSERT_EQ(0, line(".track 2 macro:bass"));
    mmtrk *track = MMtrk_findNo(ctx, 2);
    EXPECT_EQ(64, track->ccBase[10]);
    EXPECT_EQ(0, line(".ccvbase 2 7/100 10/0"));
    EXPECT_EQ(100, track->ccBase[7]);
    EXPECT_EQ(0, track->ccBase[10]);
    EXPECT_EQ(0, line(".ccvbase BASS 0/127  127/5 "));
    EXPECT_EQ(127, track->ccBase[0]);
    EXPECT_EQ(5, track->ccBase[127]);
    EXPECT_EQ(0, line(".ccvbase 2"));

    for (const char *text : {".ccvbase 2 1/1 8/128", ".ccvbase 2 1/1 128/0", ".ccvbase 2 1/1 8 /1",
                             ".ccvbase 2 1/1 8/", ".ccvbase 2 1/1 8", ".ccvbase 2 1/1 -1/0",
                             ".ccvbase 2 1/1 8/1x", ".ccvbase 2 1/1,8/1"}) {
        track->ccBase[1] = 0;
        EXPECT_EQ(-1, line(text)) << text;
        EXPECT_EQ("Control value base setting error!", error) << text;
        EXPECT_EQ(1, track->ccBase[1]) << text;
    }
    EXPECT_EQ(100, track->ccBase[7]);
    EXPECT_EQ(1, track->ccBase[8]);
}

TEST_F(SongSettings, CcvbaseMovesControllerFilterLimitsStillAtTheirStart)
{
    ASSERT_EQ(0, line(".track 1 macro:a"));
    mmtrk *track = MMtrk_findNo(ctx, 1);
    EXPECT_EQ(0, line(".ccvbase 1 7/100 10/0"));
    EXPECT_EQ(-100, track->ccF[7].lo);
    EXPECT_EQ(27, track->ccF[7].hi);
    EXPECT_EQ(-100, track->ccF[7].randLo);
    EXPECT_EQ(27, track->ccF[7].randHi);
    EXPECT_EQ(0, track->ccF[10].lo);
    EXPECT_EQ(127, track->ccF[10].hi);

    // Limits that a filter setting has changed stay as they were set.
    track->ccF[11].lo = -5;
    EXPECT_EQ(0, line(".ccvbase 1 11/20"));
    EXPECT_EQ(-5, track->ccF[11].lo);
    EXPECT_EQ(127, track->ccF[11].hi);
}
