#include "mml/registers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/messages.h"
#include "mml/mml_line.h"
#include "mml/random.h"
#include "store/event.h"
#include "store/track.h"

namespace {

using Events = std::vector<std::string>;

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

constexpr int32_t kDefaultCmdMap[MM_LETTERS] = {-1, -1, -1, -1, -1, -1, -1, 2, 0, 0, 11, -1, 129,
                                                -1, 12, 138, 16, -1, 4, 1, 22, 13, 135, 139, 0, 0};

// A song with the control track and one music track "piano" (number 1,
// channel 1), whose part 1 runs the MML of each test.
class Registers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = std::make_unique<mmctx>();
        memcpy(ctx->cmdMap, kDefaultCmdMap, sizeof ctx->cmdMap);
        ctx->division = 960;
        ctx->tempo = ctx->curTempo = 500000;
        ctx->errMsg = nullptr;
        MM_srand(0);
        MM_setLanguage(0);
        ASSERT_EQ(0, MMtrk_int(ctx.get()));
        ASSERT_EQ(0, MMtrk_create(ctx.get(), 1, "piano", 0, 0));
        piano = MMtrk_find(ctx.get(), "piano");
        part = MMpart_get(piano, 1);
        ASSERT_NE(nullptr, part);
    }

    void TearDown() override
    {
        MMtrk_freeAll(ctx.get());
        MM_setLanguage(0);
    }

    int run(const char *mml, mmtrk *track = nullptr, uint32_t partNumber = 1)
    {
        line = mml;
        return MMmml_exec(ctx.get(), track ? track : piano, partNumber, line.c_str());
    }

    // Runs MML that must fail; gives its message.
    std::string failure(const char *mml, mmtrk *track = nullptr)
    {
        ctx->errMsg = nullptr;
        if (run(mml, track) == 0) return "(no error)";
        return ctx->errMsg ? ctx->errMsg : "(no message)";
    }

    // Runs MML that must succeed; gives the message if it fails.
    std::string ok(const char *mml, mmtrk *track = nullptr)
    {
        ctx->errMsg = nullptr;
        if (run(mml, track) == 0) return "";
        return ctx->errMsg ? ctx->errMsg : "(no message)";
    }

    // Where the failing command pointed, as the rest of the line from there.
    std::string errorPoint() const { return ctx->errPoint ? ctx->errPoint : "(none)"; }

    // The piano's events as "clock: hex bytes".
    Events events() const
    {
        Events out;
        for (mmevt *e = piano->head; e; e = e->next) {
            std::string text = std::to_string(e->clock) + ":";
            for (uint32_t i = 0; i < e->length; ++i) {
                char hex[4];
                snprintf(hex, sizeof hex, " %02x", e->data[i]);
                text += hex;
            }
            out.push_back(text);
        }
        return out;
    }

    std::unique_ptr<mmctx> ctx;
    mmtrk *piano = nullptr;
    mmpart *part = nullptr;
    std::string line;
};

TEST_F(Registers, RegistersSharingAChainStayApart)
{
    ASSERT_EQ("", ok("%1(v:10) %17(v:20) %33(v:30) %1"));
    EXPECT_EQ(10, MMval_get(&part->param[MMP_VELOCITY]));
    // The newest register heads the chain of n: (16 - n mod 16) mod 16.
    EXPECT_EQ(33, part->setters[15]->number);
    EXPECT_EQ(17, part->setters[15]->next->number);
}

TEST_F(Registers, EmptyListEmptiesWithoutApplying)
{
    ASSERT_EQ("", ok("%() %1() %1"));
    ASSERT_EQ("", ok("%"));
    EXPECT_TRUE(events().empty());
    EXPECT_EQ(nullptr, part->setters[0]->items);
}

TEST_F(Registers, RandomSetterDrawsAtEveryApplication)
{
    ASSERT_EQ("", ok("%1(v:*10..20) %1 c %1 c %1 c"));
    for (const std::string &e : events()) {
        unsigned clock, status, note, velocity;
        ASSERT_EQ(4, sscanf(e.c_str(), "%u: %x %x %x", &clock, &status, &note, &velocity));
        if (velocity) {
            EXPECT_TRUE(velocity >= 10 && velocity <= 20) << e;
        }
    }
}

TEST_F(Registers, ItemErrorsNameTheItem)
{
    EXPECT_EQ("(?) Setter command error! 'vel'", failure("%1(vel) c"));
    EXPECT_EQ(" c", errorPoint());
    EXPECT_EQ("(?) Setter command error! 'x:5'", failure("%1(x:5)"));
    EXPECT_EQ("(?) Setter command error! 'v:200 '", failure("%1(v:200 , g:1)"));
    EXPECT_EQ("(?) Setter command error! 'v:*100..200'", failure("%1(v:*100..200)"));
    EXPECT_EQ("(?) Setter command error! 'o:10'", failure("%1(o:10)"));
    EXPECT_EQ("(?) Setter command error! 'o:'+6'", failure("%1(o:'+6)"));
    EXPECT_EQ("(?) Setter command error! 'v:100x'", failure("%1(v:100x)"));
    EXPECT_EQ("(?) Setter command error! 'ch:17'", failure("%1(ch:17)"));
    EXPECT_EQ("(?) Setter command error! 'gp:1001'", failure("%1(gp:1001)"));
    EXPECT_EQ("(?) Setter command error! 'cd:32768'", failure("%1(cd:32768)"));
    EXPECT_EQ("(?) Setter command error! ''", failure("%1(v:1,)"));
    EXPECT_EQ("Can't change tempo without \"CTRL\" track!", failure("!1(v:30,t:140)"));
    // A relative velocity is clamped into 1..127 rather than refused.
    ASSERT_EQ("", ok("v100 ?2(v:'+100) v1 ?2"));
    EXPECT_EQ(127, MMval_get(&part->param[MMP_VELOCITY]));
}

TEST_F(Registers, ControllerItems)
{
    // Controller 10 has base 64, so its values run -64..63.
    ASSERT_EQ("", ok("%1(cc:10/63, CC:7/'+100) %1"));
    EXPECT_EQ((Events{"0: b0 0a 7f", "0: b0 07 7f"}), events());
    EXPECT_EQ("(?) Setter command error! 'cc:10/64'", failure("%1(cc:10/64)"));
    EXPECT_EQ("(?) Setter command error! 'cc:128/1'", failure("%1(cc:128/1)"));
    EXPECT_EQ("(?) Setter command error! 'cc:7 /1'", failure("%1(cc:7 /1)"));
    EXPECT_EQ("(?) Setter command error! 'cc:7'", failure("%1(cc:7)"));
}

TEST_F(Registers, FaultsBeforeTheItemsHaveNoItemText)
{
    EXPECT_EQ("(?) Setter command error!", failure("%0(v:1)"));
    EXPECT_EQ("(?) Setter command error!", failure("%4294967295"));  // wraps to -1
    // A list whose `)` is missing is refused, not taken as empty.
    EXPECT_EQ("(?) Setter command error!", failure("%1(v:100"));
    EXPECT_EQ("(!) Pin command error!", failure("!0"));
    EXPECT_EQ("(?#) Offsetter command error!", failure("%#1((v:1)"));
}

TEST_F(Registers, ItemsBeforeAFaultStay)
{
    EXPECT_EQ("(?) Setter command error! 'x:5'", failure("%1(v:100,x:5,k:12)"));
    ASSERT_EQ("", ok("%1 c"));
    EXPECT_EQ((Events{"0: 90 3c 64", "959: 90 3c 00"}), events());
}

TEST_F(Registers, FailingApplicationStopsAtItsItem)
{
    EXPECT_EQ("(?) Setter command error!", failure("%(paf:10)"));
    ASSERT_EQ("", ok("%#(pg:1) %1(v:50,pg:128,k:1)"));
    EXPECT_EQ("Program change offset error!", failure("%1 c"));
    EXPECT_EQ(" c", errorPoint());
    EXPECT_EQ(50, MMval_get(&part->param[MMP_VELOCITY]));
    EXPECT_EQ(0, MMval_get(&part->param[MMP_KEYSHIFT]));
}

TEST_F(Registers, OffsetterItemsAndErrors)
{
    ASSERT_EQ("", ok("%#1(cc:7/-20,caf:5,paf:6,ov:7) %#1"));
    EXPECT_EQ(-20, part->ccOffset[7].value);
    EXPECT_EQ(5, part->offset[MMP_CAFPRES].value);
    EXPECT_EQ(6, part->offset[MMP_PAFPRES].value);
    EXPECT_EQ(7, part->offset[MMP_OFFVEL].value);
    EXPECT_TRUE(events().empty());
    EXPECT_EQ("(?#) Offsetter command error! 'ch:2'", failure("%#1(ch:2)"));
    EXPECT_EQ("(?#) Offsetter command error! 'o:21'", failure("?#1(o:21)"));
    EXPECT_EQ("Unknown offsetter number (?#)5", failure("?#5"));
    ASSERT_EQ("", ok("%#2(k:255,o:-20,t:496)", ctx->ctrlTrack));
}

TEST_F(Registers, DefiningAPinDisarms)
{
    ASSERT_EQ("", ok("!(v:30) !1(v:40) c"));
    EXPECT_EQ((Events{"0: 90 3c 7f", "959: 90 3c 00"}), events());
    EXPECT_EQ(0u, part->pinArmed);
    EXPECT_EQ(part->pins[15], part->pinDef);
}

TEST_F(Registers, PinValuesAndErrors)
{
    // Channel and sending aftertouch items are taken but do not act on the note.
    ASSERT_EQ("", ok("!(ch:2,caf:3,d:5,cd:65535) c"));
    EXPECT_EQ((Events{"0: 90 3c 7f", "959: 90 3c 00", "65535: d0 00"}), events());
    EXPECT_EQ("(!) Pin command error! 'v:0'", failure("!1(v:0)"));
    EXPECT_EQ("(!) Pin command error! 'cd:65536'", failure("!1(cd:65536)"));
    EXPECT_EQ("Unknown pin number (!)3", failure("!3"));
    // A faulty definition still makes its register, here an empty pin 0.
    EXPECT_EQ("(!) Pin command error! 'q:1'", failure("!(q:1)"));
    EXPECT_EQ("", ok("! c"));
}

TEST_F(Registers, WorkSizeCountsRegistersAndItems)
{
    int32_t base = ctx->workSize;
    ASSERT_EQ("", ok("%1(v:1,k:2) %#1(k:3) !1(v:4,o:5,g:6)"));
    EXPECT_EQ(base + 12 + 2 * 24 + 12 + 24 + 16 + 3 * 24, ctx->workSize);
    ASSERT_EQ("", ok("!1(v:4) %1()"));
    EXPECT_EQ(base + 12 + 12 + 24 + 16 + 24, ctx->workSize);
    MMtrk_close(ctx.get(), piano);
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
    for (const char *mml : lines) {
        ctx->errMsg = nullptr;
        if (run(mml) != 0) {
            EXPECT_NE(nullptr, ctx->errMsg) << mml;
        }
    }
    int32_t eventWork = 0;
    for (mmevt *e = piano->head; e; e = e->next) eventWork += (int32_t)e->length + MM_EVENT_WORK;
    EXPECT_EQ(base + registerWork(part->setters, MM_SETTER_WORK) + registerWork(part->offsetters, MM_SETTER_WORK) +
                  registerWork(part->pins, MM_PIN_WORK) + eventWork,
              ctx->workSize);
}

TEST_F(Registers, JapaneseMessages)
{
    MM_setLanguage(1);
    EXPECT_EQ(MM_localText("(?) セッタコマンドの指定に誤りがあります。 'vel'"), failure("%1(vel)"));
    EXPECT_EQ(MM_localText("未定義のセッタ番号です。(?)2"), failure("%2"));
    EXPECT_EQ(MM_localText("(?#) オフセッタコマンドの指定に誤りがあります。"), failure("%#0"));
    EXPECT_EQ(MM_localText("未定義のオフセッタ番号です。(?#)4"), failure("%#4"));
    EXPECT_EQ(MM_localText("未定義のピン番号です。(!)0"), failure("!"));
    EXPECT_EQ(MM_localText("(!) ピンコマンドの指定に誤りがあります。 'q:1'"), failure("!(q:1)"));
    EXPECT_EQ(MM_localText("テンポの変更は \"CTRL\" トラック以外では行えません。"), failure("%(t:100)"));
}

}  // namespace
