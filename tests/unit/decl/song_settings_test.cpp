#include "decl/control.h"

#include "../fixture.h"

namespace {

using SongSettings = ContextTest;

TEST_F(SongSettings, TempoAndDivisionAtTheirLimits)
{
    const std::pair<const char *, uint32_t> tempos[] = {{".tempo 16", 3750000}, {".tempo 512  ", 117187}};
    for (const auto &[text, microseconds] : tempos) {
        ASSERT_EQ(0, MMctl_line(ctx, text)) << text;
        EXPECT_EQ(microseconds, ctx->tempo) << text;
    }
    EXPECT_EQ(0u, ctx->tempoWritten);
    for (int division : {24, 9600}) {
        ASSERT_EQ(0, MMctl_line(ctx, (".division " + std::to_string(division)).c_str()));
        EXPECT_EQ(division, ctx->division);
    }
}

TEST_F(SongSettings, SignatureSetsBothCopiesAndKeepsTheClickBytes)
{
    ASSERT_EQ(0, MMctl_line(ctx, ".signature 6/8"));
    const uint8_t expected[4] = {6, 3, 24, 8};
    EXPECT_EQ(0, memcmp(expected, ctx->signature, 4));
    EXPECT_EQ(0, memcmp(expected, ctx->curSignature, 4));
    ASSERT_EQ(0, MMctl_line(ctx, ".signature 32/1"));
    EXPECT_EQ(32, ctx->signature[0]);
    EXPECT_EQ(0, ctx->signature[1]);
    ASSERT_EQ(0, MMctl_line(ctx, ".signature 1/32"));
    EXPECT_EQ(5, ctx->curSignature[1]);
    EXPECT_TRUE(MMevt_none(ctx->ctrlTrack));
}

TEST_F(SongSettings, TitleIsNotCutInsideADoubleByteCharacter)
{
    // 254 single bytes, then a two-byte character that would end at byte 256.
    ASSERT_EQ(0, MMctl_line(ctx, (".title " + std::string(254, 'x') + "\x83\x41" + "yz").c_str()));
    EXPECT_EQ(std::string(254, 'x'), ctx->title);
    ASSERT_EQ(0, MMctl_line(ctx, (".title " + std::string(253, 'x') + "\x83\x41" + "yz").c_str()));
    EXPECT_EQ(std::string(253, 'x') + "\x83\x41", ctx->title);
}

TEST_F(SongSettings, CcvbaseSetsPairsUntilTheFirstFault)
{
    ASSERT_EQ(0, MMctl_line(ctx, ".track 2 macro:bass"));
    mmtrk *track = MMtrk_findNo(ctx, 2);
    ASSERT_EQ(0, MMctl_line(ctx, ".ccvbase BASS 0/127  127/5 "));
    EXPECT_EQ(127, track->ccBase[0]);
    EXPECT_EQ(5, track->ccBase[127]);
    ASSERT_EQ(0, MMctl_line(ctx, ".ccvbase 2"));
    EXPECT_EQ(-1, MMctl_line(ctx, ".ccvbase 2 1/1 7/100 8/128"));
    EXPECT_EQ(1, track->ccBase[1]);
    EXPECT_EQ(100, track->ccBase[7]);
    EXPECT_EQ(0, track->ccBase[8]);
}

TEST_F(SongSettings, CcvbaseMovesControllerFilterLimitsStillAtTheirStart)
{
    mmtrk *t = track(1, "a");
    ASSERT_EQ(0, MMctl_line(ctx, ".ccvbase 1 7/100 10/0"));
    EXPECT_EQ(-100, t->ccF[7].lo);
    EXPECT_EQ(27, t->ccF[7].hi);
    EXPECT_EQ(-100, t->ccF[7].randLo);
    EXPECT_EQ(27, t->ccF[7].randHi);
    EXPECT_EQ(0, t->ccF[10].lo);
    EXPECT_EQ(127, t->ccF[10].hi);

    // Limits that a filter setting has changed stay as they were set.
    t->ccF[11].lo = -5;
    ASSERT_EQ(0, MMctl_line(ctx, ".ccvbase 1 11/20"));
    EXPECT_EQ(-5, t->ccF[11].lo);
    EXPECT_EQ(127, t->ccF[11].hi);
}

}  // namespace
