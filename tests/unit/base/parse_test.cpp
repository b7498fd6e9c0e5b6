#include "base/parse.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "base/command_names.h"

namespace {

// Runs a cursor parser on `text`; `rest` is what it left unread.
struct Cursor {
    explicit Cursor(const char *text) : at(text) {}
    const char *at;
    std::string rest() const { return at; }
};

using Items = std::vector<std::string>;

Items split(const char *text, std::string *rest = nullptr)
{
    Cursor c(text);
    char **items = nullptr;
    int count = MM_splitList(&c.at, &items);
    Items out;
    if (count > 0) {
        EXPECT_EQ(nullptr, items[count]);
        out.assign(items, items + count);
    } else {
        EXPECT_EQ(nullptr, items);
    }
    MM_freeList(count, items);
    if (rest) *rest = c.rest();
    return out;
}

}  // namespace

TEST(GetNum, SignBlanksCursorAndWrapAt32Bits)
{
    struct Case {
        const char *text;
        int result;
        int32_t value;
        const char *rest;
    };
    const Case cases[] = {
        {"  -12x", 0, -12, "x"},
        {"+7", 0, 7, ""},
        {"18446744073709551617;", 0, 1, ";"},  // 2^64 + 1
        {"2147483648", 0, INT32_MIN, ""},
        {"-2147483648", 0, INT32_MIN, ""},
        {"4294967295", 0, -1, ""},
        {" +x", -1, 0, "x"},  // a failure leaves the cursor after the blanks and the sign
        {"- 5", -1, 0, " 5"},
    };
    for (const Case &k : cases) {
        Cursor c(k.text);
        int32_t v = 0;
        EXPECT_EQ(k.result, MM_getNum(&v, &c.at)) << k.text;
        if (k.result == 0) {
            EXPECT_EQ(k.value, v) << k.text;
        }
        EXPECT_EQ(k.rest, c.rest()) << k.text;
    }
}

TEST(GetIdent, LettersDigitsUnderscoreUpToSizeMinusOne)
{
    char buf[4];
    Cursor c("  ab_ x");
    ASSERT_EQ(0, MM_getIdent(buf, sizeof buf, &c.at));
    EXPECT_STREQ("ab_", buf);
    EXPECT_EQ(" x", c.rest());
    for (const char *bad : {"abcd", "1ab", "_a"}) {
        Cursor b(bad);
        EXPECT_EQ(-1, MM_getIdent(buf, sizeof buf, &b.at)) << bad;
    }
}

TEST(Words, CaseFoldingAndWordEnds)
{
    EXPECT_EQ(0, MM_wordCmp("vel\tx", "VEL\ny"));
    EXPECT_LT(MM_wordCmp("ve", "vel"), 0);
    EXPECT_GT(MM_wordCmp("velo", "vel"), 0);
    EXPECT_LT(MM_wordCmp("a", "B"), 0);  // folded, although 'a' > 'B' in ASCII
    EXPECT_NE(0, MM_wordCmp("vel\r", "vel"));
    EXPECT_EQ(0, MM_wordNCmp("CCV:7", "ccv:", 4));
    EXPECT_NE(0, MM_wordNCmp("cc", "ccv:", 4));

    EXPECT_EQ((std::vector<int>{1, 0, -1, -1}),
              (std::vector<int>{MM_onOff("ON"), MM_onOff("off "), MM_onOff("of"), MM_onOff("onx")}));
    EXPECT_EQ((std::vector<int>{15, 10, -1, -1}),
              (std::vector<int>{MM_xdigitVal('F'), MM_xdigitVal('a'), MM_xdigitVal('g'), MM_xdigitVal('/')}));
}

TEST(Notes, NamesNumbersRangesAndLimits)
{
    const std::pair<const char *, int> notes[] = {
        {"c4", 60}, {"C-1", 0}, {"g9", 127}, {" A4", 69}, {"b3", 59}, {"127", 127}, {"a9", -1},
        {"c10", -1}, {"c-2", -1}, {"128", -1}, {"b", -1}, {"h4", -1}, {"+60", -1},
    };
    for (const auto &[text, note] : notes) {
        Cursor c(text);
        EXPECT_EQ(note, MM_getNote(&c.at)) << text;
    }

    int32_t lo = -9, hi = -9;
    Cursor up("c4-c5 x");
    ASSERT_EQ(0, MM_getNoteRange(&lo, &hi, &up.at));
    EXPECT_EQ(std::pair(60, 72), std::pair(lo, hi));
    EXPECT_EQ(" x", up.rest());
    Cursor single("60");
    ASSERT_EQ(0, MM_getNoteRange(&lo, &hi, &single.at));
    EXPECT_EQ(std::pair(60, 60), std::pair(lo, hi));
    Cursor down("c5-c4");
    EXPECT_EQ(-1, MM_getNoteRange(&lo, &hi, &down.at));

    Cursor all("1-128");
    ASSERT_EQ(0, MM_getRange128(&lo, &hi, &all.at));
    EXPECT_EQ(std::pair(0, 127), std::pair(lo, hi));
    Cursor one("5");
    ASSERT_EQ(0, MM_getRange128(&lo, &hi, &one.at));
    EXPECT_EQ(std::pair(4, 4), std::pair(lo, hi));
    for (const char *bad : {"0", "129", "5-4", "1-129", "1-"}) {
        Cursor c(bad);
        EXPECT_EQ(-1, MM_getRange128(&lo, &hi, &c.at)) << bad;
    }
}

TEST(GetMmlCmd, EveryNameInEitherCaseAndControllerForms)
{
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
    Cursor ccv("CCV:7,100");
    EXPECT_EQ(135, MM_getMmlCmd(&ccv.at));
    EXPECT_EQ(",100", ccv.rest());
    for (const char *bad : {"ccv:128", "ccv:-1", "ccv:", "ccv", "velo", "", "x"}) {
        Cursor c(bad);
        EXPECT_EQ(-1, MM_getMmlCmd(&c.at)) << bad;
    }
}

TEST(SplitList, ItemsQuotesNestingAndWhereTheCursorStops)
{
    struct Case {
        const char *text;
        Items items;
        const char *rest;
    };
    const Case cases[] = {
        {"( a , \"b,c\" ,)rest", {"a ", "b,c ", ""}, "rest"},
        {"(,)", {"", ""}, ""},
        {"(\t\r\n x)", {"x"}, ""},
        {"(ab\"c d\"e)", {"abc de"}, ""},
        {"(a b, \"\"\"q\"\"\")", {"a b", "q"}, ""},  // empty quotes vanish
        {"((a),b)c", {"(a)", "b"}, "c"},
        {"(a,\"b)", {"a"}, ""},  // an unclosed quote drops its item
        {"(\"b)x", {}, "x"},
        {"(   )z", {}, "z"},
        {"(a", {}, ""},  // unclosed: left at the end of the line
        {"(a(b)", {}, ""},
        {" (a)", {}, " (a)"},  // not at '(': nothing consumed
    };
    for (const Case &c : cases) {
        std::string rest;
        EXPECT_EQ(c.items, split(c.text, &rest)) << c.text;
        EXPECT_EQ(c.rest, rest) << c.text;
    }
}
