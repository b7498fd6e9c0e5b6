#include "base/messages.h"

#include <memory>

#include "../fixture.h"

namespace {

TEST(SizeStr, BoundariesOfEachUnit)
{
    char buf[32];
    EXPECT_STREQ("0", MM_sizeStr(0, buf));
    EXPECT_STREQ("1", MM_sizeStr(1, buf));
    EXPECT_STREQ("1023", MM_sizeStr(1023, buf));
    EXPECT_STREQ("1.0K", MM_sizeStr(1024, buf));
    EXPECT_STREQ("1.5K", MM_sizeStr(1536, buf));
    EXPECT_STREQ("1024.0K", MM_sizeStr(1048575, buf));
    EXPECT_STREQ("1.0M", MM_sizeStr(1048576, buf));
    EXPECT_STREQ("-5", MM_sizeStr(-5, buf));
}

std::string textOf(FILE *fp)
{
    std::string out;
    fflush(fp);
    rewind(fp);
    for (int c; (c = fgetc(fp)) != EOF;) out += (char)c;
    return out;
}

using MessageTest = ContextTest;

// What the two console streams receive while `body` runs.
template <typename F> std::pair<std::string, std::string> consoleOf(F &&body)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    body();
    std::string err = testing::internal::GetCapturedStderr();
    return {testing::internal::GetCapturedStdout(), err};
}

TEST_F(MessageTest, ConsoleClassesReachTheFileEvenWithTheConsoleOff)
{
    ctx->msgFile = tmpfile();
    ctx->errFile = tmpfile();
    ctx->console = 0;
    auto [out, err] = consoleOf([&] {
        MM_msg(ctx, MSGC_REMARK, "/ remark");
        MM_msg(ctx, MSGC_PLAIN, "plain");
        MM_msg(ctx, MSGC_ERROR, "broken");
    });
    EXPECT_EQ("plain\nbroken\n", out);
    EXPECT_EQ("/ remark\nplain\n", textOf(ctx->msgFile));
    EXPECT_EQ("broken\n", textOf(ctx->errFile));
}

TEST_F(MessageTest, ProgressLinesOverwriteEachOtherAndAMessageEndsThem)
{
    auto [out, err] = consoleOf([&] {
        MM_msg(ctx, MSGC_PROGRESS, "abcdef");
        MM_msg(ctx, MSGC_PROGRESS, "xyz");
        MM_msg(ctx, MSGC_PLAIN, "done");
    });
    EXPECT_EQ("\rabcdef\rxyz   \r", err);
    EXPECT_EQ("\ndone\n", out);
}

TEST_F(MessageTest, DebugClassesShowOnlyWithTheDebugFlag)
{
    auto hidden = consoleOf([&] { MM_msg(ctx, MSGC_INIT, "hidden"); });
    EXPECT_EQ("", hidden.first + hidden.second);
    ctx->debugMsg = 1;
    auto [out, err] = consoleOf([&] { MM_msg(ctx, MSGC_INIT, "shown"); });
    // Captured streams are no terminal, so no colour escapes (tests/cmdline.sh
    // shows them on one).
    EXPECT_EQ("", err);
    EXPECT_EQ("shown\n", out);
}

TEST_F(MessageTest, TheNullContextMeansThePreviousOne)
{
    auto other = std::make_unique<mmctx>();
    other->msgFile = tmpfile();
    consoleOf([&] {
        MM_msg(other.get(), MSGC_PLAIN, "one");
        MM_msg(nullptr, MSGC_PLAIN, "two");
    });
    EXPECT_EQ("one\ntwo\n", textOf(other->msgFile));
    fclose(other->msgFile);
    MM_msgReset();
}

}  // namespace
