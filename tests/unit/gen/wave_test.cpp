#include <string>
#include <vector>

#include "../fixture.h"
#include "gen/wave.h"

namespace {

using Generator = int (*)(mmctx *, int, char *, int, char **);

class Wave : public ContextTest {
protected:
    // Runs a generator with the given room; its text, or "error: " and the message.
    std::string run(Generator generator, std::vector<std::string> args, int space = MM_LINE_SIZE)
    {
        std::vector<char *> argv;
        for (std::string &arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<char> out((size_t)space + 1, '\x7f');
        ctx->errMsg = nullptr;
        int written = generator(ctx, space, out.data(), (int)args.size(), argv.data());
        if (written < 0) return "error: " + pending();
        EXPECT_LT(written, space);
        return std::string(out.data(), (size_t)written);
    }
};

// The songs cannot choose the room a generator gets: the text must stay
// below it and below the work size, whatever the caller offers.
TEST_F(Wave, TextStaysBelowTheRoomAndTheWorkSize)
{
    const std::vector<std::string> two = {"c", "v=", "2", "/", "tri", "64", "32", "90"};
    EXPECT_EQ("v64c/v96c", run(MMgen_wave, two, 10));
    EXPECT_EQ("error: Out of string space!", run(MMgen_wave, two, 9));
    EXPECT_EQ("error: Out of string space!", run(MMgen_wave, two, 0));
    EXPECT_EQ("error: Out of string space!",
              run(MMgen_wave, {"c", "v=", "2147483647", "/", "tri", "0", "1", "1"}, 1 << 20));
    // One item of 16383 characters fits the work size, one of 16384 does not.
    EXPECT_EQ(std::string(16382, 'x') + "5",
              run(MMgen_slide, {"", std::string(16382, 'x'), "2", "", "x", "5", "5", "1"}, 1 << 20));
    EXPECT_EQ("error: Out of string space!",
              run(MMgen_slide, {"", std::string(16383, 'x'), "2", "", "x", "5", "5", "1"}, 1 << 20));
    // A swave that cannot fit fails before it weighs its items.
    EXPECT_EQ("error: Out of string space!",
              run(MMgen_swave, {"r", "=", ":2147483647", "1", "2147483647", "", "x", "0", "1", "tri", "1", "0"}));
}

// Extreme numbers hold to the 32-bit range instead of wrapping, and no curve
// divides by zero or overflows to infinity.
TEST_F(Wave, ExtremeNumbersStayInRange)
{
    EXPECT_EQ("2147483647r0r", run(MMgen_wave, {"r", "=", "2", "", "tri", "2147483647", "2147483647", "180", "90"}));
    EXPECT_EQ("-2147483648r/2147483647r", run(MMgen_slide, {"r", "=", "2", "/", "x", "-2147483648", "2147483647"}));
    EXPECT_EQ("36r/100r", run(MMgen_slide, {"r", "=", "1000", "/", "exp(x)", "0", "100", "998"}));
    // Amplitudes grow 128-fold per item and stop at the largest value.
    EXPECT_EQ("-1r:1/-128r:1/-16384r:1/-2097152r:1/-268435456r:1/-2147483647r:1",
              run(MMgen_swave, {"r", "=", ":6", "1", "6", "/", "x", "0", "0", "saw", "1", "50", "0", "%12800"}));
    // Weights growing as fast still share the step time out exactly.
    std::string run6 = run(MMgen_swave, {"r", "=", ":6", "1", "6", "/", "x", "0", "0", "saw", "0", "0", "%12800"});
    int total = 0;
    for (size_t colon = run6.find(':'); colon != std::string::npos; colon = run6.find(':', colon + 1))
        total += atoi(run6.c_str() + colon + 1);
    EXPECT_EQ(6, total) << run6;
}

}  // namespace
