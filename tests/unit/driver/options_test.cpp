#include "driver/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/message_table.h"
#include "driver/settings.h"

namespace {

// Each test starts from, and leaves, the state of a fresh process.
class ParseArgs : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset()
    {
        mmctx &ctx = MM_ctx;
        ctx.console = ctx.scnMsg = ctx.mppMsg = ctx.dumpMsg = ctx.remarkMsg = ctx.debugMsg = 0;
        ctx.workMode = 0;
        ctx.workPath[0] = ctx.sourceName[0] = ctx.outputName[0] = ctx.errPath[0] = ctx.msgPath[0] = '\0';
        MM_resetSettings();
        MM_setLanguage(0);
    }

    // Runs the parser on the words, keeping what it prints.
    int parse(std::vector<std::string> words)
    {
        words.insert(words.begin(), "qoral");
        std::vector<char *> argv;
        for (std::string &w : words) argv.push_back(w.data());
        testing::internal::CaptureStdout();
        int result = MM_parseArgs((int)words.size(), argv.data());
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    std::string printed;
};

}  // namespace

TEST_F(ParseArgs, HelpAndParameterErrors)
{
    testing::internal::CaptureStdout();
    MM_usage();
    std::string usage = testing::internal::GetCapturedStdout();
    for (const char *word : {"-HELP", "/help", "-?anything", "/?"}) {
        EXPECT_EQ(-1, parse({word, "a.mml"})) << word;
        EXPECT_EQ(usage, printed) << word;
    }
    EXPECT_EQ(-1, parse({"-heapSize", "100", "a.mml"}));
    EXPECT_EQ("@ Parameter error!! (-heapSize)\n", printed);
    EXPECT_EQ(-1, parse({"a.mml", "-"}));
    EXPECT_EQ("@ Parameter error!! (-)\n", printed);
    EXPECT_EQ(-1, parse({"-scnMsg"}));
    EXPECT_EQ("@ Parameter error!!\n", printed);
}

TEST_F(ParseArgs, OptionsIgnoreCase)
{
    EXPECT_EQ(0, parse({"-SCNMSG", "-mppmsg", "/dumpMsg", "-debugMsg", "-RemarkMsg", "-cnsMsgIgn", "-msgout", "x.log",
                        "-heepSize", "100", "-codeSize", "abc", "-msgTyp", "Japan", "-workMode", "file", "a.mml"}));
    const mmctx &ctx = MM_ctx;
    EXPECT_EQ("", printed);
    EXPECT_EQ(0, ctx.console);
    EXPECT_EQ(1, ctx.scnMsg & ctx.mppMsg & ctx.dumpMsg & ctx.remarkMsg & ctx.debugMsg);
    EXPECT_STREQ("x.log", ctx.msgPath);
    EXPECT_EQ(102400u, MM_settings.heapSize);
    EXPECT_EQ(0u, MM_settings.codeSize);
    EXPECT_EQ(1, MM_language());
    EXPECT_EQ(1u, ctx.workMode);
    // Unknown values leave the setting as it was.
    EXPECT_EQ(0, parse({"-msgTyp", "french", "-workMode", "disk", "-codeSize", "99999999999999", "a.mml"}));
    EXPECT_EQ(1, ctx.console);
    EXPECT_EQ(1, MM_language());
    EXPECT_EQ(1u, ctx.workMode);
    EXPECT_EQ((uint32_t)((int64_t)INT32_MAX * 1024), MM_settings.codeSize);
}

TEST_F(ParseArgs, WordsThatLookLikeOptionsAreNotArguments)
{
    EXPECT_EQ(0, parse({"-errOut", "-scnMsg", "-msgOut", "/MPPMSG", "file.mml", "out.mid", "c.mid", "-zylFile"}));
    EXPECT_STREQ("", MM_ctx.errPath);
    EXPECT_STREQ("", MM_ctx.msgPath);
    EXPECT_EQ(1, MM_ctx.scnMsg & MM_ctx.mppMsg);
    EXPECT_STREQ("file.mml", MM_ctx.sourceName);
    EXPECT_STREQ("out.mid", MM_ctx.outputName);
    EXPECT_STREQ("qoral.zyl", MM_settings.zylFile);
    // A slash word that names no option is a path, as file or as argument.
    EXPECT_EQ(0, parse({"-errOut", "/tmp/err.log", "/home/me/song.mml"}));
    EXPECT_STREQ("/tmp/err.log", MM_ctx.errPath);
    EXPECT_STREQ("/home/me/song.mml", MM_ctx.sourceName);
}

TEST_F(ParseArgs, WorkPathEndsInSeparator)
{
    const std::pair<const char *, const char *> cases[] = {
        {"tmp", "tmp/"}, {"tmp\\", "tmp\\"}, {"", ""}, {"\x83\x5C", "\x83\x5C/"},  // 0x5C as trail byte
    };
    for (auto [value, stored] : cases) {
        EXPECT_EQ(0, parse({"-workPath", value, "a"}));
        EXPECT_STREQ(stored, MM_ctx.workPath) << value;
    }
}

TEST_F(ParseArgs, DefinitionsInOrderAndFreshEachParse)
{
    EXPECT_EQ(0, parse({"-def", "A", "-def", "B=text", "a"}));
    const strList &defs = MM_settings.defs;
    ASSERT_EQ(2u, defs.count);
    EXPECT_EQ(9u, defs.bytes);
    EXPECT_EQ((char *)(defs.head + 1), defs.head->text);  // the text lives behind its entry
    EXPECT_STREQ("B=text", defs.tail->text);
    EXPECT_EQ(0, parse({"-def", "C", "a"}));
    ASSERT_EQ(1u, defs.count);
    EXPECT_STREQ("C", defs.head->text);
}

TEST_F(ParseArgs, LongArgumentsAreCutToTheirFields)
{
    std::string w(5000, 'x');
    EXPECT_EQ(0, parse({"-errOut", w, "-msgOut", w, "-zylPath", w, "-zylFile", w, "-workPath", w, "-def", w, w, w}));
    for (const char *field : {MM_ctx.errPath, MM_ctx.msgPath, MM_ctx.sourceName, MM_ctx.outputName})
        EXPECT_EQ(MM_PATH_SIZE - 1, (int)strlen(field));
    for (const char *field : {MM_settings.zylDir, MM_settings.zylFile, MM_ctx.workPath})
        EXPECT_EQ(MM_DIR_SIZE - 1, (int)strlen(field));
    EXPECT_EQ('/', MM_ctx.workPath[MM_DIR_SIZE - 2]);
    EXPECT_EQ(MM_STRLIST_SCRATCH - 1, (int)strlen(MM_settings.defs.head->text));
    EXPECT_EQ(-1, parse({"-" + w}));
    EXPECT_EQ("@ Parameter error!! (-" + w + ")\n", printed);
}

TEST_F(ParseArgs, OutputNameFollowsTheSource)
{
    const char *cases[][3] = {
        {"song", "", "song.mid"},    {"dir/song", "", "dir/song.mid"}, {"my song", "", "my.mid"},
        {"a.b/c", "", "a.b/c.mid"},  {"song.txt", "", "song.mid"},     {"song", "out", "out.mid"},
        {"song", "out.smf", "out.smf"},
    };
    for (auto [source, output, expected] : cases) {
        snprintf(MM_ctx.sourceName, sizeof MM_ctx.sourceName, "%s", source);
        snprintf(MM_ctx.outputName, sizeof MM_ctx.outputName, "%s", output);
        MM_outputName(&MM_ctx);
        EXPECT_STREQ(expected, MM_ctx.outputName) << source << " " << output;
    }
}
