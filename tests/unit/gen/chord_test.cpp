// What songs cannot reach: the exact room a chord needs, and the length limit
// that arguments longer than the expander's allow.
#include "gen/chord.h"

#include <string>
#include <vector>

#include "../fixture.h"

namespace {

struct ChordCall {
    int result;
    std::string text;
};

ChordCall callChord(int space, std::vector<std::string> args)
{
    std::vector<char *> argv;
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char> out((size_t)space + 1, '\x7f');
    MM_ctx.errMsg = nullptr;
    int result = MMgen_chord(&MM_ctx, space, out.data(), (int)args.size(), argv.data());
    return {result, result < 0 ? std::string(MM_ctx.errMsg ? MM_ctx.errMsg : "") : std::string(out.data(), (size_t)result)};
}

class ChordTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(resetContext(), 0); }
};

TEST_F(ChordTest, TextMustStayBelowTheSpace)
{
    const std::string text = "C:0,0E:0,0G :0,0R:0";
    const int length = (int)text.size();
    EXPECT_EQ(callChord(length + 1, {"C"}).text, text);
    ChordCall tight = callChord(length, {"C"});
    EXPECT_EQ(tight.result, -1);
    EXPECT_EQ(tight.text, "Out of string space!");
    EXPECT_EQ(callChord(0, {"C"}).text, "Out of string space!");
}

TEST_F(ChordTest, TextStaysBelowItsLimitWhateverTheSpace)
{
    // Eight notes with a 2100-character suffix each need over 16000 characters.
    ChordCall call = callChord(100000, {"C13#11", "0", ":0", "0", std::string(2100, ' ')});
    EXPECT_EQ(call.result, -1);
    EXPECT_EQ(call.text, "Out of string space!");
    call = callChord(100000, {"C13#11", "0", ":0", "0", std::string(1900, ' ')});
    EXPECT_GT(call.result, 8 * 1900);
    EXPECT_LT(call.result, 16384);
}

TEST_F(ChordTest, BadArgumentsFail)
{
    EXPECT_EQ(callChord(100, {}).text, "Code parameter error!");
    for (const char *symbol : {"", "  ", "Cm7 ", "Cm7x", "C+-", "Hm", "Bb"})
        EXPECT_EQ(callChord(100, {symbol}).text, "Code parameter error!") << symbol;
    for (const char *step : {"x", ":", ":-1", "0", "-4", "."})
        EXPECT_EQ(callChord(100, {"C", "0", step}).text, "Code parameter error!") << step;
}

}  // namespace
