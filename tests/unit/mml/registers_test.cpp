#include "mml/registers.h"

#include "../fixture.h"

namespace {

// The work size the registers of one kind should account for.
template <class R> int32_t registerWork(R *const *chains, int32_t each)
{
    int32_t work = 0;
    for (int chain = 0; chain < MM_REGISTER_CHAINS; ++chain)
        for (R *r = chains[chain]; r; r = r->next) {
            work += each;
            for (RegisterItem *item = r->items; item; item = item->next) work += MM_REGITEM_WORK;
        }
    return work;
}

using Events = std::vector<StoredEvent>;

// A track "a" whose part 1 runs the MML of each test.
class Registers : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        a = track(1, "a");
        part = MMpart_get(a, 1);
        ASSERT_NE(nullptr, part);
        ASSERT_EQ("", run(""));  // the first line writes the song's tempo and signature
    }
    std::string run(const std::string &commands) { return mml("a(1) = " + commands); }
    int32_t velocity() { return MMval_get(&part->param[MMP_VELOCITY]); }

    mmtrk *a = nullptr;
    mmpart *part = nullptr;
};

TEST_F(Registers, FaultsNameTheirItem)
{
    const std::pair<const char *, const char *> cases[] = {
        {"%1(x:5)", "(?) Setter command error! 'x:5'"},
        {"%1(v:200 , g:1)", "(?) Setter command error! 'v:200 '"},
        {"%1(v:*100..200)", "(?) Setter command error! 'v:*100..200'"},
        {"%1(o:10)", "(?) Setter command error! 'o:10'"},
        {"%1(o:'+6)", "(?) Setter command error! 'o:'+6'"},
        {"%1(v:100x)", "(?) Setter command error! 'v:100x'"},
        {"%1(ch:17)", "(?) Setter command error! 'ch:17'"},
        {"%1(gp:1001)", "(?) Setter command error! 'gp:1001'"},
        {"%1(cd:32768)", "(?) Setter command error! 'cd:32768'"},
        {"%1(v:1,)", "(?) Setter command error! ''"},
        {"%1(cc:10/64)", "(?) Setter command error! 'cc:10/64'"},  // controller 10 runs -64..63 about its base
        {"%1(cc:128/1)", "(?) Setter command error! 'cc:128/1'"},
        {"%1(cc:7 /1)", "(?) Setter command error! 'cc:7 /1'"},
        {"%1(cc:7)", "(?) Setter command error! 'cc:7'"},
        {"?#1(o:21)", "(?#) Offsetter command error! 'o:21'"},
        {"!1(cd:65536)", "(!) Pin command error! 'cd:65536'"},
        {"!(q:1)", "(!) Pin command error! 'q:1'"},
        // Faults before the items have no item text.
        {"%4294967295", "(?) Setter command error!"},  // wraps to -1
        {"!0", "(!) Pin command error!"},
        {"%#1((v:1)", "(?#) Offsetter command error!"},
    };
    for (const auto &[commands, message] : cases) EXPECT_EQ(message, run(commands)) << commands;
    EXPECT_EQ("(?) Setter command error! 'vel'", run("%1(vel) c"));
    EXPECT_EQ(" c", errorPoint());
    EXPECT_EQ("", run("! c"));  // the faulty definition still made an empty pin 0
}

TEST_F(Registers, ItemsBeforeAFaultStayAndApplicationStopsAtTheFailingItem)
{
    EXPECT_EQ("(?) Setter command error! 'x:5'", run("%1(v:100,x:5,k:12)"));
    ASSERT_EQ("", run("%1 c"));
    EXPECT_EQ((Events{{0, {0x90, 60, 100}}, {959, {0x90, 60, 0}}}), eventsOf(a));

    ASSERT_EQ("", run("%#(pg:1) %2(v:50,pg:128,k:1)"));
    EXPECT_EQ("Program change offset error!", run("%2 c"));
    EXPECT_EQ(" c", errorPoint());
    EXPECT_EQ(50, velocity());
    EXPECT_EQ(0, MMval_get(&part->param[MMP_KEYSHIFT]));
}

TEST_F(Registers, ValuesAreClampedOrSentWhereTheItemSays)
{
    // A relative velocity is clamped into 1..127 rather than refused.
    ASSERT_EQ("", run("v100 ?2(v:'+100) v1 ?2"));
    EXPECT_EQ(127, velocity());
    ASSERT_EQ("", run("%() %1() %1"));  // an empty list empties without applying
    EXPECT_EQ(nullptr, part->setters[0]->items);
    ASSERT_EQ("", run("%1(cc:10/63, CC:7/'+100) %1"));
    EXPECT_EQ((Events{{0, {0xb0, 10, 127}}, {0, {0xb0, 7, 127}}}), eventsOf(a));
    MMevt_freeAll(a);
    // Channel and sending aftertouch items of a pin do not act on the note.
    ASSERT_EQ("", run("!(ch:2,caf:3,d:5,cd:65535) c"));
    EXPECT_EQ((Events{{0, {0x90, 60, 127}}, {959, {0x90, 60, 0}}, {65535, {0xd0, 0}}}), eventsOf(a));
}

TEST_F(Registers, DefiningAPinDisarmsPinZero)
{
    ASSERT_EQ("", run("!(v:30) !1(v:40) c"));
    EXPECT_EQ((Events{{0, {0x90, 60, 127}}, {959, {0x90, 60, 0}}}), eventsOf(a));
    EXPECT_EQ(0u, part->pinArmed);
}

TEST_F(Registers, OffsetterItems)
{
    ASSERT_EQ("", run("%#1(cc:7/-20,caf:5,paf:6,ov:7) %#1"));
    EXPECT_EQ(-20, part->ccOffset[7].value);
    EXPECT_EQ(5, part->offset[MMP_CAFPRES].value);
    EXPECT_EQ(6, part->offset[MMP_PAFPRES].value);
    EXPECT_EQ(7, part->offset[MMP_OFFVEL].value);
    EXPECT_TRUE(MMevt_none(a));
    EXPECT_EQ("", mml("CTRL(0) = %#2(k:255,o:-20,t:496)"));
}

TEST_F(Registers, RandomSetterDrawsAtEveryApplication)
{
    ASSERT_EQ("", run("%1(v:*10..20) %1 c %1 c %1 c %1 c"));
    std::vector<int> velocities = noteVelocities(a);
    ASSERT_EQ(4u, velocities.size());
    for (int v : velocities) EXPECT_TRUE(v >= 10 && v <= 20) << v;
    EXPECT_NE(velocities, std::vector<int>(4, velocities[0]));
}

TEST_F(Registers, WorkSizeCountsRegistersAndItems)
{
    int32_t base = ctx->workSize;
    ASSERT_EQ("", run("%1(v:1,k:2) %#1(k:3) !1(v:4,o:5,g:6)"));
    EXPECT_EQ(base + 12 + 2 * 24 + 12 + 24 + 16 + 3 * 24, ctx->workSize);
    ASSERT_EQ("", run("!1(v:4) %1()"));
    EXPECT_EQ(base + 12 + 12 + 24 + 16 + 24, ctx->workSize);
    MMtrk_close(ctx, a);
    EXPECT_EQ(base - MM_PART_WORK, ctx->workSize);
}

TEST_F(Registers, ExtremeNumbersAndOddListsFailCleanly)
{
    // Each either works or fails with a message; none may read or count wrongly.
    const char *lines[] = {
        "%99999999999(v:1)", "%1(v:2147483647)", "%1(d:'2147483647)", "%#1(v:'-2147483648)",
        "%1(cc:2147483647/1)", "%1(cc:-1/1)", "!1(p:*-2147483648..2147483647)", "!1(v:'2147483647) !1 c",
        "%1(\"v:1,k:2\")", "%1((v:1))", "%1(v:)", "%1(:5)", "%1(cafdelay::1)", "%1(pafdelay:1", "%1( , )",
        "%#1(s:*'-65535..65535%) %#1 c", "!1(s:*'-65535..65535%) !1 c", "?#", "%#", "!(", "%(",
    };
    int32_t base = ctx->workSize;
    for (const char *commands : lines) EXPECT_NE("(no message)", run(commands)) << commands;
    int32_t eventWork = 0;
    ASSERT_TRUE(MMevt_order(a));
    for (const mmevt *e : MMevt_records(a)) eventWork += (int32_t)e->length() + MM_EVENT_WORK;
    EXPECT_EQ(base + registerWork(part->setters, MM_SETTER_WORK) + registerWork(part->offsetters, MM_SETTER_WORK) +
                  registerWork(part->pins, MM_PIN_WORK) + eventWork,
              ctx->workSize);
}

TEST_F(Registers, JapaneseMessages)
{
    MM_setLanguage(1);
    const std::pair<const char *, const char *> cases[] = {
        {"%2", "未定義のセッタ番号です。(?)2"},
        {"%#0", "(?#) オフセッタコマンドの指定に誤りがあります。"},
        {"%#4", "未定義のオフセッタ番号です。(?#)4"},
        {"!(q:1)", "(!) ピンコマンドの指定に誤りがあります。 'q:1'"},
    };
    for (const auto &[commands, message] : cases) EXPECT_EQ(MM_localText(message), run(commands)) << commands;
}

}  // namespace
