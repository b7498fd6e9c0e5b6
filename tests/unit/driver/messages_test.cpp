#include "driver/messages.h"

#include <gtest/gtest.h>

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

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

// Captures what one standard stream receives while it lives.
class StreamCapture {
public:
    explicit StreamCapture(FILE *stream) : stream_(stream)
    {
        fflush(stream_);
        file_ = tmpfile();
        saved_ = dup(fileno(stream_));
        dup2(fileno(file_), fileno(stream_));
    }
    ~StreamCapture() { restore(); }
    std::string text()
    {
        restore();
        std::string out;
        rewind(file_);
        for (int c; (c = fgetc(file_)) != EOF;) out += (char)c;
        return out;
    }

private:
    void restore()
    {
        if (saved_ < 0) return;
        fflush(stream_);
        dup2(saved_, fileno(stream_));
        close(saved_);
        saved_ = -1;
    }
    FILE *stream_;
    FILE *file_;
    int saved_ = -1;
};

std::string fileText(FILE *fp)
{
    std::string out;
    fflush(fp);
    rewind(fp);
    for (int c; (c = fgetc(fp)) != EOF;) out += (char)c;
    return out;
}

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx_ = mmctx{};
        ctx_.console = 1;
        ctx_.lineClean = 1;
        MM_msgReset();
    }
    void TearDown() override
    {
        if (ctx_.msgFile) fclose(ctx_.msgFile);
        if (ctx_.errFile) fclose(ctx_.errFile);
        MM_msgReset();
        MM_setLanguage(0);
    }
    mmctx ctx_;
};

TEST_F(MessageTest, ConsoleClassesReachTheFileEvenWithTheConsoleOff)
{
    ctx_.msgFile = tmpfile();
    ctx_.errFile = tmpfile();
    ctx_.console = 0;
    StreamCapture out(stdout);
    MM_msg(&ctx_, MSGC_REMARK, "/ remark");
    MM_msg(&ctx_, MSGC_PLAIN, "plain");
    MM_msg(&ctx_, MSGC_ERROR, "broken");
    EXPECT_EQ("plain\nbroken\n", out.text());
    EXPECT_EQ("/ remark\nplain\n", fileText(ctx_.msgFile));
    EXPECT_EQ("broken\n", fileText(ctx_.errFile));
}

TEST_F(MessageTest, ProgressLinesOverwriteEachOtherAndAMessageEndsThem)
{
    StreamCapture err(stderr);
    StreamCapture out(stdout);
    MM_msg(&ctx_, MSGC_PROGRESS, "abcdef");
    MM_msg(&ctx_, MSGC_PROGRESS, "xyz");
    MM_msg(&ctx_, MSGC_PLAIN, "done");
    EXPECT_EQ("\rabcdef\rxyz   \r", err.text());
    EXPECT_EQ("\ndone\n", out.text());
}

TEST_F(MessageTest, DebugClassesShowOnlyWithTheDebugFlag)
{
    {
        StreamCapture out(stdout);
        MM_msg(&ctx_, MSGC_INIT, "hidden");
        EXPECT_EQ("", out.text());
    }
    ctx_.debugMsg = 1;
    StreamCapture err(stderr);
    StreamCapture out(stdout);
    MM_msg(&ctx_, MSGC_INIT, "shown");
    EXPECT_EQ("\033[32m\033[40m", err.text());
    EXPECT_EQ("shown\033[0m\n", out.text());
}

TEST_F(MessageTest, TheNullContextMeansThePreviousOne)
{
    ctx_.msgFile = tmpfile();
    StreamCapture out(stdout);
    MM_msg(&ctx_, MSGC_PLAIN, "one");
    MM_msg(nullptr, MSGC_PLAIN, "two");
    out.text();
    EXPECT_EQ("one\ntwo\n", fileText(ctx_.msgFile));
}

TEST_F(MessageTest, SetErrMsgFormatsIntoTheErrorBuffer)
{
    EXPECT_EQ(12, MM_setErrMsg(&ctx_, "Track no.%d !", 7));
    EXPECT_EQ(ctx_.errBuf, ctx_.errMsg);
    EXPECT_STREQ("Track no.7 !", ctx_.errMsg);
}

TEST(MessageTable, JapaneseRowsFollowTheLanguage)
{
    MM_setLanguage(1);
    std::string japanese = MM_text(MSG_ERROR_POINT);
    MM_setLanguage(0);
    EXPECT_STREQ("error point --> %s", MM_text(MSG_ERROR_POINT));
    EXPECT_NE(std::string::npos, japanese.find(" --> %s"));
    EXPECT_NE("error point --> %s", japanese);
}

}  // namespace
