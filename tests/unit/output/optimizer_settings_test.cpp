#include "output/optimizer.h"

#include "../fixture.h"
#include "output/optimizer_settings.h"

namespace {

using Args = std::vector<std::string>;

class OptimizerSettingsTest : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        t = track(1, "piano");
    }
    uint16_t word(int index) const { return t->optFlags[index]; }

    // `@OPT(...)` with the arguments as MM_splitList leaves them.
    int command(Args args, uint32_t clock = 0)
    {
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        return MMopt_command(ctx, t, clock, (int)argv.size(), argv.data());
    }

    mmtrk *t = nullptr;
};

// `.optset` and `@OPT` replace a whole word; notes, exclusive and tempo take
// only some flags.
TEST_F(OptimizerSettingsTest, OptsetAndCommandReplaceOneWord)
{
    struct Case {
        const char *optset;  // null: no `.optset` form
        Args args;           // empty: no `@OPT` form
        int word;
        uint16_t value;
    };
    const Case cases[] = {
        {" piano pitch off", {"pitch", "off"}, MMOPT_PITCH, 0},
        {" 1 PROG, on, pitch ,cc", {" PROG ", "on", "pitch", "cc "}, MMOPT_PROG, 1 | 128 | 1024},
        {" piano caf on pres off", {"caf", "on", "pres", "off"}, MMOPT_CAF, 768},
        {" piano caf off on", {"caf", "off", "on"}, MMOPT_CAF, 1},
        {" piano cc:64 on prog", {" CC:64 ", " on ", "prog"}, MMOPT_CC0 + 64, 65},
        {" piano note on prog", {"note", "on", "note", "prog"}, MMOPT_NOTE, 64},
        {" piano excl on cc", {"excl", "on", "cc"}, MMOPT_EXCL, 1024},
        {" piano tempo on cc tempo", {"tempo", "on", "cc", "tempo"}, MMOPT_TEMPO, 1},
        {" piano prog", {}, MMOPT_PROG, 0},  // no flags: the word is cleared
        {" piano cc , : 2, on", {}, MMOPT_CC0 + 2, 1},
        {" piano cc: 127", {}, MMOPT_CC0 + 127, 0},
        {nullptr, {"pres", "on", "cc"}, MMOPT_PAF, 1025},  // both aftertouch words
    };
    for (const Case &c : cases) {
        std::string what = c.optset ? c.optset : c.args[0];
        if (c.optset) {
            t->optFlags[c.word] = 0x5555;
            ASSERT_EQ(0, MMopt_optset(ctx, c.optset)) << what << ": " << pending();
            EXPECT_EQ(c.value, word(c.word)) << what;
        }
        if (!c.args.empty()) {
            t->optFlags[c.word] = 0x5555;
            ASSERT_EQ(0, command(c.args)) << what << ": " << pending();
            EXPECT_EQ(c.value, word(c.word)) << what << " as @OPT";
        }
    }
    EXPECT_EQ(1025, word(MMOPT_CAF));
    EXPECT_TRUE(MMevt_none(t));  // settings write no event
    ASSERT_EQ(0, MMopt_optset(ctx, " CTRL tempo"));
    EXPECT_EQ(0, ctx->ctrlTrack->optFlags[MMOPT_TEMPO]);
}

TEST_F(OptimizerSettingsTest, OptsetFailuresChangeNothing)
{
    const std::pair<const char *, std::vector<const char *>> cases[] = {
        {"Optimizer setting error!",
         {" piano cc on", " piano cc:128", " piano cc:-1", " piano cc:", " piano vel on", " piano", " piano, prog on",
          " piano prog on,,off", " piano prog 5"}},
        {"Optimize flag error!", {" piano prog on loud"}},
        {"Track macro:'organ' not use!", {" organ prog on"}},
        {"Track no.9 not use!", {" 9 prog on"}},
        {"Track Macro/Number error!", {" 0 tempo"}},
    };
    for (const auto &[message, texts] : cases) {
        for (const char *text : texts) {
            ctx->errMsg = nullptr;
            EXPECT_EQ(-1, MMopt_optset(ctx, text)) << text;
            EXPECT_EQ(message, pending()) << text;
        }
    }
    EXPECT_EQ(1921, word(MMOPT_PROG));
}

TEST_F(OptimizerSettingsTest, CommandClearWritesAMarker)
{
    ASSERT_EQ(0, command({"clear"}, 480));
    ASSERT_EQ(0, command({"CLEAR", "cc", " tempo"}, 960));
    ASSERT_EQ(0, command({"clear", "pres", "prog"}, 1920));
    EXPECT_EQ((std::vector<StoredEvent>{{480, {0xff, 0xff, 0x10, 0xff, 0xff}},
                                        {960, {0xff, 0xff, 0x10, 0x00, 0x44}},
                                        {1920, {0xff, 0xff, 0x10, 0x40, 0x03}}}),
              eventsOf(t));
}

TEST_F(OptimizerSettingsTest, CommandFailuresChangeNothing)
{
    const std::pair<const char *, std::vector<Args>> cases[] = {
        {"Optimize command error!",
         {{}, {"vel", "on"}, {"cc", "on"}, {"cc:128", "on"}, {"cc:x", "on"}, {"cc:7x", "on"}, {"clear", "on"},
          {"clear", ""}}},
        {"Optimize flag error!", {{"pitch"}, {"pitch", "loud"}, {"cc:7", "on", ""}}},
    };
    for (const auto &[message, list] : cases) {
        for (const Args &args : list) {
            ctx->errMsg = nullptr;
            std::string what = args.empty() ? "" : args[0];
            EXPECT_EQ(-1, command(args)) << what;
            EXPECT_EQ(message, pending()) << what;
        }
    }
    EXPECT_EQ(1, word(MMOPT_PITCH));
    EXPECT_EQ(1, word(MMOPT_CC0 + 7));
    EXPECT_TRUE(MMevt_none(t));
}

}  // namespace
