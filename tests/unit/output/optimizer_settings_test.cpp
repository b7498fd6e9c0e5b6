#include "output/optimizer.h"

#include <string>

#include "song_fixture.h"

namespace {

class OptimizerSettingsTest : public SongFixture {
protected:
    mmtrk *t = nullptr;
    void SetUp() override
    {
        SongFixture::SetUp();
        t = track(1, "piano");
    }
    uint16_t word(int index) const { return t->optFlags[index]; }
    std::string pending() const { return ctx->errMsg ? ctx->errMsg : ""; }

    // `@OPT(...)` with the arguments as MM_splitList leaves them.
    int command(std::vector<std::string> args, uint32_t clock = 0)
    {
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        return MMopt_command(ctx, t, clock, (int)argv.size(), argv.data());
    }
};

TEST_F(OptimizerSettingsTest, NewTrackHasTheDefaultWords)
{
    EXPECT_EQ(1, word(MMOPT_TEMPO));
    EXPECT_EQ(768, word(MMOPT_NOTE));
    EXPECT_EQ(1, word(MMOPT_PITCH));
    EXPECT_EQ(1921, word(MMOPT_PROG));
    EXPECT_EQ(257, word(MMOPT_CAF));
    EXPECT_EQ(513, word(MMOPT_PAF));
    EXPECT_EQ(2032, word(MMOPT_EXCL));
    EXPECT_EQ(64, word(MMOPT_CC0 + 0));
    for (int c : {1, 7, 10, 11, 91, 93}) EXPECT_EQ(1, word(MMOPT_CC0 + c)) << c;
    EXPECT_EQ(48, word(MMOPT_CC0 + 120));
    for (int c : {121, 123, 124, 125, 126, 127}) EXPECT_EQ(1968, word(MMOPT_CC0 + c)) << c;
    for (int c : {2, 64, 122}) EXPECT_EQ(0, word(MMOPT_CC0 + c)) << c;
}

TEST_F(OptimizerSettingsTest, OptsetReplacesOneWord)
{
    ASSERT_EQ(0, MMopt_optset(ctx, " piano pitch off"));
    EXPECT_EQ(0, word(MMOPT_PITCH));
    EXPECT_EQ(1921, word(MMOPT_PROG));

    ASSERT_EQ(0, MMopt_optset(ctx, " 1 PROG, on, pitch ,cc"));
    EXPECT_EQ(1 | 128 | 1024, word(MMOPT_PROG));

    ASSERT_EQ(0, MMopt_optset(ctx, " piano prog"));     // no flags: the word is cleared
    EXPECT_EQ(0, word(MMOPT_PROG));

    ASSERT_EQ(0, MMopt_optset(ctx, " piano caf on pres off"));
    EXPECT_EQ(768, word(MMOPT_CAF));
    ASSERT_EQ(0, MMopt_optset(ctx, " piano caf off on"));
    EXPECT_EQ(1, word(MMOPT_CAF));
}

TEST_F(OptimizerSettingsTest, OptsetControllerWord)
{
    ASSERT_EQ(0, MMopt_optset(ctx, " piano cc:64 on prog"));
    EXPECT_EQ(65, word(MMOPT_CC0 + 64));
    ASSERT_EQ(0, MMopt_optset(ctx, " piano cc , : 2, on"));
    EXPECT_EQ(1, word(MMOPT_CC0 + 2));
    ASSERT_EQ(0, MMopt_optset(ctx, " piano cc: 127"));
    EXPECT_EQ(0, word(MMOPT_CC0 + 127));
}

TEST_F(OptimizerSettingsTest, OptsetRestrictsNoteExclusiveAndTempo)
{
    ASSERT_EQ(0, MMopt_optset(ctx, " piano note on prog"));
    EXPECT_EQ(64, word(MMOPT_NOTE));
    ASSERT_EQ(0, MMopt_optset(ctx, " piano excl on cc"));
    EXPECT_EQ(1024, word(MMOPT_EXCL));
    ASSERT_EQ(0, MMopt_optset(ctx, " piano tempo on cc tempo"));
    EXPECT_EQ(1, word(MMOPT_TEMPO));
    ASSERT_EQ(0, MMopt_optset(ctx, " piano tempo"));
    EXPECT_EQ(0, word(MMOPT_TEMPO));
    ASSERT_EQ(0, MMopt_optset(ctx, " CTRL tempo"));
    EXPECT_EQ(0, ctrl()->optFlags[MMOPT_TEMPO]);
}

TEST_F(OptimizerSettingsTest, OptsetFailures)
{
    struct Case {
        const char *text;
        const char *message;
    };
    const Case cases[] = {
        {" piano cc on", "Optimizer setting error!"},
        {" piano cc:128", "Optimizer setting error!"},
        {" piano cc:-1", "Optimizer setting error!"},
        {" piano cc:", "Optimizer setting error!"},
        {" piano vel on", "Optimizer setting error!"},
        {" piano", "Optimizer setting error!"},
        {" piano, prog on", "Optimizer setting error!"},
        {" piano prog on,,off", "Optimizer setting error!"},
        {" piano prog 5", "Optimizer setting error!"},
        {" piano prog on loud", "Optimize flag error!"},
        {" organ prog on", "Track macro:'organ' not use!"},
        {" 9 prog on", "Track no.9 not use!"},
        {" 0 tempo", "Track Macro/Number error!"},
    };
    for (const Case &c : cases) {
        ctx->errMsg = nullptr;
        EXPECT_EQ(-1, MMopt_optset(ctx, c.text)) << c.text;
        EXPECT_EQ(c.message, pending()) << c.text;
    }
    EXPECT_EQ(1921, word(MMOPT_PROG));     // failures change nothing
}

TEST_F(OptimizerSettingsTest, ParseFlagsAppliesInOrder)
{
    char on[] = "on", off[] = " off ", prog[] = "Prog";
    char *onOff[] = {on, off}, *offOn[] = {off, on, prog};
    uint16_t flags = 0;
    ASSERT_EQ(0, MMopt_parseFlags(ctx, 2, onOff, &flags));
    EXPECT_EQ(0, flags);
    ASSERT_EQ(0, MMopt_parseFlags(ctx, 3, offOn, &flags));
    EXPECT_EQ(65, flags);
    EXPECT_EQ(-1, MMopt_parseFlags(ctx, 0, offOn, &flags));
    EXPECT_EQ("Optimize flag error!", pending());
}

TEST_F(OptimizerSettingsTest, CommandSetsWords)
{
    ASSERT_EQ(0, command({"pitch", "off"}));
    EXPECT_EQ(0, word(MMOPT_PITCH));
    ASSERT_EQ(0, command({" CC:7 ", " on ", "prog"}));
    EXPECT_EQ(65, word(MMOPT_CC0 + 7));
    ASSERT_EQ(0, command({"pres", "on", "cc"}));
    EXPECT_EQ(1025, word(MMOPT_CAF));
    EXPECT_EQ(1025, word(MMOPT_PAF));
    ASSERT_EQ(0, command({"note", "on", "note", "prog"}));     // never thins notes
    EXPECT_EQ(64, word(MMOPT_NOTE));
    ASSERT_EQ(0, command({"excl", "on", "caf"}));
    EXPECT_EQ(512, word(MMOPT_EXCL));
    ASSERT_EQ(0, command({"tempo", "on", "cc"}));
    EXPECT_EQ(1, word(MMOPT_TEMPO));
    EXPECT_EQ(nullptr, t->head);           // settings write no event
}

TEST_F(OptimizerSettingsTest, CommandClearWritesAMarker)
{
    ASSERT_EQ(0, command({"clear"}, 480));
    ASSERT_EQ(0, command({"CLEAR", "cc", " tempo"}, 960));
    ASSERT_EQ(0, command({"clear", "pres", "prog"}, 1920));
    EXPECT_EQ((std::vector<std::vector<int>>{{0xff, 0xff, 0x10, 0xff, 0xff},
                                             {0xff, 0xff, 0x10, 0x00, 0x44},
                                             {0xff, 0xff, 0x10, 0x40, 0x03}}),
              payloads(t));
    EXPECT_EQ(480u, t->head->clock);
    EXPECT_EQ(1920u, t->tail->clock);
}

TEST_F(OptimizerSettingsTest, CommandFailures)
{
    struct Case {
        std::vector<std::string> args;
        const char *message;
    };
    const Case cases[] = {
        {{}, "Optimize command error!"},
        {{"vel", "on"}, "Optimize command error!"},
        {{"cc", "on"}, "Optimize command error!"},
        {{"cc:128", "on"}, "Optimize command error!"},
        {{"cc:x", "on"}, "Optimize command error!"},
        {{"cc:7x", "on"}, "Optimize command error!"},
        {{"clear", "on"}, "Optimize command error!"},
        {{"clear", ""}, "Optimize command error!"},
        {{"pitch"}, "Optimize flag error!"},
        {{"pitch", "loud"}, "Optimize flag error!"},
        {{"cc:7", "on", ""}, "Optimize flag error!"},
    };
    for (const Case &c : cases) {
        ctx->errMsg = nullptr;
        EXPECT_EQ(-1, command(c.args)) << (c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(c.message, pending()) << (c.args.empty() ? "" : c.args[0]);
    }
    EXPECT_EQ(1, word(MMOPT_PITCH));
    EXPECT_EQ(1, word(MMOPT_CC0 + 7));
    EXPECT_EQ(nullptr, t->head);
}

}  // namespace
