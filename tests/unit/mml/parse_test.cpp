#include "mml/parse.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>
#include "mml/command_names.h"

namespace {

// Runs a cursor parser on `text`; `rest` is what it left unread.
struct Cursor {
    explicit Cursor(const char *text) : at(text) {}
    const char *at;
    std::string rest() const { return at; }
};

std::vector<std::string> split(const char *text, std::string *rest = nullptr)
{
    Cursor c(text);
    char **items = nullptr;
    int count = MM_splitList(&c.at, &items);
    std::vector<std::string> out;
    if (count > 0) {
        EXPECT_EQ(nullptr, items[count]);
        for (int i = 0; i < count; ++i) out.emplace_back(items[i]);
    } else {
        EXPECT_EQ(nullptr, items);
    }
    MM_freeList(count, items);
    if (rest) *rest = c.rest();
    return out;
}

using Items = std::vector<std::string>;

}  // namespace

TEST(GetNum, SignBlanksAndCursor)
{
    int32_t v = 0;
    Cursor c("  -12x");
    ASSERT_EQ(0, MM_getNum(&v, &c.at));
    EXPECT_EQ(-12, v);
    EXPECT_EQ("x", c.rest());

    Cursor plus("+7");
    ASSERT_EQ(0, MM_getNum(&v, &plus.at));
    EXPECT_EQ(7, v);

    // Failure leaves the cursor after the blanks and the sign.
    Cursor sign(" +x");
    EXPECT_EQ(-1, MM_getNum(&v, &sign.at));
    EXPECT_EQ("x", sign.rest());
    Cursor letter("x");
    EXPECT_EQ(-1, MM_getNum(&v, &letter.at));
    Cursor gap("- 5");
    EXPECT_EQ(-1, MM_getNum(&v, &gap.at));
}

TEST(GetNum, OverlongNumbersWrapAt32Bits)
{
    int32_t v = 0;
    Cursor big("18446744073709551617;");  // 2^64 + 1
    ASSERT_EQ(0, MM_getNum(&v, &big.at));
    EXPECT_EQ(1, v);
    EXPECT_EQ(";", big.rest());
    Cursor over("2147483648");
    ASSERT_EQ(0, MM_getNum(&v, &over.at));
    EXPECT_EQ(INT32_MIN, v);
    Cursor low("-2147483648");
    ASSERT_EQ(0, MM_getNum(&v, &low.at));
    EXPECT_EQ(INT32_MIN, v);
    Cursor wrap("4294967295");
    ASSERT_EQ(0, MM_getNum(&v, &wrap.at));
    EXPECT_EQ(-1, v);
}

TEST(GetIdent, LettersDigitsUnderscoreUpToSizeMinusOne)
{
    char buf[4];
    Cursor c("  ab_ x");
    ASSERT_EQ(0, MM_getIdent(buf, sizeof buf, &c.at));
    EXPECT_STREQ("ab_", buf);
    EXPECT_EQ(" x", c.rest());

    Cursor tooLong("abcd");
    EXPECT_EQ(-1, MM_getIdent(buf, sizeof buf, &tooLong.at));
    Cursor digit("1ab");
    EXPECT_EQ(-1, MM_getIdent(buf, sizeof buf, &digit.at));
    Cursor underscore("_a");
    EXPECT_EQ(-1, MM_getIdent(buf, sizeof buf, &underscore.at));
}

TEST(Words, CaseFoldingAndWordEnds)
{
    EXPECT_EQ(0, MM_wordCmp("Vel", "vel"));
    EXPECT_EQ(0, MM_wordCmp("vel 100", "vel"));
    EXPECT_EQ(0, MM_wordCmp("vel\tx", "VEL\ny"));
    EXPECT_LT(MM_wordCmp("ve", "vel"), 0);
    EXPECT_GT(MM_wordCmp("velo", "vel"), 0);
    EXPECT_LT(MM_wordCmp("a", "B"), 0);  // folded, although 'a' > 'B' in ASCII
    EXPECT_NE(0, MM_wordCmp("vel\r", "vel"));

    EXPECT_EQ(0, MM_wordNCmp("CCV:7", "ccv:", 4));
    EXPECT_NE(0, MM_wordNCmp("cc", "ccv:", 4));
    EXPECT_EQ(0, MM_wordNCmp("abcX", "abcY", 3));
    EXPECT_EQ(0, MM_wordNCmp("x", "y", 0));

    EXPECT_EQ(1, MM_onOff("ON"));
    EXPECT_EQ(0, MM_onOff("off "));
    EXPECT_EQ(-1, MM_onOff("of"));
    EXPECT_EQ(-1, MM_onOff("onx"));

    EXPECT_EQ(0, MM_xdigitVal('0'));
    EXPECT_EQ(15, MM_xdigitVal('F'));
    EXPECT_EQ(10, MM_xdigitVal('a'));
    EXPECT_EQ(-1, MM_xdigitVal('g'));
    EXPECT_EQ(-1, MM_xdigitVal('/'));
}

TEST(PortAndChannel, LimitsAndForms)
{
    Cursor letter(" c1");
    EXPECT_EQ(2, MM_getPort(&letter.at));
    EXPECT_EQ("c1", letter.rest());  // the letter is left for the caller
    Cursor h("H"), i("i"), one("1"), eight("8"), nine("9"), zero("0");
    EXPECT_EQ(7, MM_getPort(&h.at));
    EXPECT_EQ(-1, MM_getPort(&i.at));
    EXPECT_EQ(0, MM_getPort(&one.at));
    EXPECT_EQ(7, MM_getPort(&eight.at));
    EXPECT_EQ(-1, MM_getPort(&nine.at));
    EXPECT_EQ(-1, MM_getPort(&zero.at));

    Cursor c1(" 1"), c16("16"), c0("0"), c17("17"), hash("#1");
    EXPECT_EQ(0, MM_getChannel(&c1.at));
    EXPECT_EQ(15, MM_getChannel(&c16.at));
    EXPECT_EQ(-1, MM_getChannel(&c0.at));
    EXPECT_EQ(-1, MM_getChannel(&c17.at));
    EXPECT_EQ(-1, MM_getChannel(&hash.at));
}

TEST(GetNote, NamesNumbersAndLimits)
{
    struct Case {
        const char *text;
        int note;
    } cases[] = {
        {"c4", 60}, {"C-1", 0}, {"g9", 127}, {" A4", 69}, {"b3", 59}, {"e0", 16}, {"f5", 77},
        {"127", 127}, {"0", 0}, {"a9", -1}, {"c10", -1}, {"c-2", -1}, {"128", -1},
        {"b", -1}, {"h4", -1}, {"+60", -1},
    };
    for (const Case &k : cases) {
        Cursor c(k.text);
        EXPECT_EQ(k.note, MM_getNote(&c.at)) << k.text;
    }
}

TEST(Ranges, NoteRangeAndRange128)
{
    int32_t lo = -9, hi = -9;
    Cursor up("c4-c5 x");
    ASSERT_EQ(0, MM_getNoteRange(&lo, &hi, &up.at));
    EXPECT_EQ(60, lo);
    EXPECT_EQ(72, hi);
    EXPECT_EQ(" x", up.rest());
    Cursor single("60");
    ASSERT_EQ(0, MM_getNoteRange(&lo, &hi, &single.at));
    EXPECT_EQ(60, lo);
    EXPECT_EQ(60, hi);
    Cursor lowest("c-1-g9");
    ASSERT_EQ(0, MM_getNoteRange(&lo, &hi, &lowest.at));
    EXPECT_EQ(0, lo);
    EXPECT_EQ(127, hi);
    Cursor down("c5-c4");
    EXPECT_EQ(-1, MM_getNoteRange(&lo, &hi, &down.at));

    Cursor all("1-128");
    ASSERT_EQ(0, MM_getRange128(&lo, &hi, &all.at));
    EXPECT_EQ(0, lo);
    EXPECT_EQ(127, hi);
    Cursor one("5");
    ASSERT_EQ(0, MM_getRange128(&lo, &hi, &one.at));
    EXPECT_EQ(4, lo);
    EXPECT_EQ(4, hi);
    for (const char *bad : {"0", "129", "5-4", "1-129", "1-"}) {
        Cursor c(bad);
        EXPECT_EQ(-1, MM_getRange128(&lo, &hi, &c.at)) << bad;
    }
}

TEST(GetMmlCmd, ControllerFormsAndNames)
{
    Cursor ccv("CCV:7,100");
    EXPECT_EQ(135, MM_getMmlCmd(&ccv.at));
    EXPECT_EQ(",100", ccv.rest());
    Cursor ccv0("ccv:0");
    EXPECT_EQ(128, MM_getMmlCmd(&ccv0.at));
    for (const char *bad : {"ccv:128", "ccv:-1", "ccv:", "ccv", "velo", "", "x"}) {
        Cursor c(bad);
        EXPECT_EQ(-1, MM_getMmlCmd(&c.at)) << bad;
    }

    Cursor vel("Vel 100");
    EXPECT_EQ(MMCMD_VELOCITY, MM_getMmlCmd(&vel.at));
    EXPECT_EQ(" 100", vel.rest());
    Cursor cc("cc");
    EXPECT_EQ(MMCMD_CC, MM_getMmlCmd(&cc.at));

    // Every name is found, in either case, and the cursor passes the whole name.
    ASSERT_EQ(32u, MM_mmlCmdNames.size());
    for (const MMcmdName &entry : MM_mmlCmdNames) {
        std::string upper = entry.name;
        for (char &ch : upper) ch = (char)toupper((unsigned char)ch);
        for (const std::string &text : {std::string(entry.name), upper}) {
            Cursor c(text.c_str());
            EXPECT_EQ(entry.code, MM_getMmlCmd(&c.at)) << text;
            EXPECT_EQ("", c.rest());
        }
    }
}

TEST(SplitList, ItemsBlanksQuotesAndEmptyItems)
{
    std::string rest;
    EXPECT_EQ((Items{"a ", "b,c ", ""}), split("( a , \"b,c\" ,)rest", &rest));
    EXPECT_EQ("rest", rest);
    EXPECT_EQ((Items{"a", ""}), split("(a,)"));
    EXPECT_EQ((Items{"", ""}), split("(,)"));
    EXPECT_EQ((Items{"x"}), split("(\t\r\n x)"));
    EXPECT_EQ((Items{"abc de"}), split("(ab\"c d\"e)"));
    EXPECT_EQ((Items{"a b", "q"}), split("(a b, \"\"\"q\"\"\")"));  // empty quotes vanish
}

TEST(SplitList, EmptyBlankAndUnclosedLists)
{
    std::string rest;
    EXPECT_EQ(Items{}, split("()z", &rest));
    EXPECT_EQ("z", rest);
    EXPECT_EQ(Items{}, split("(   )z", &rest));
    EXPECT_EQ("z", rest);
    EXPECT_EQ(Items{}, split("(a", &rest));
    EXPECT_EQ("", rest);  // left at the end of the line
    EXPECT_EQ(Items{}, split("(a(b)", &rest));
    EXPECT_EQ("", rest);
    EXPECT_EQ(Items{}, split(" (a)", &rest));  // not at '(': nothing consumed
    EXPECT_EQ(" (a)", rest);
}

TEST(SplitList, NestingFindsTheEndAndUnclosedQuotesDropTheirItem)
{
    std::string rest;
    EXPECT_EQ((Items{"(a)", "b"}), split("((a),b)c", &rest));
    EXPECT_EQ("c", rest);
    EXPECT_EQ((Items{"a"}), split("(a,\"b)"));
    EXPECT_EQ(Items{}, split("(\"b)x", &rest));
    EXPECT_EQ("x", rest);
}
