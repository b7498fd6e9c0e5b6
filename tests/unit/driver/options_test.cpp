#include "driver/options.h"

#include "../fixture.h"
#include "output/smf_writer.h"

namespace {

// Each test starts from, and leaves, the settings of a fresh process.
class ParseArgs : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        MM_resetSettings();
    }
    void TearDown() override
    {
        MM_resetSettings();
        ContextTest::TearDown();
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

TEST_F(ParseArgs, HelpAndParameterErrors)
{
    testing::internal::CaptureStdout();
    MM_usage();
    std::string usage = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, usage.find("\n***** QORAL ver.3.02a #01 : MML compiler *****\n\nusage : qoral"));
    for (const char *word : {"-HELP", "/help", "-?anything", "/?"}) {
        EXPECT_EQ(-1, parse({word, "a.mml"})) << word;
        EXPECT_EQ(usage, printed) << word;
    }
    EXPECT_EQ(-1, parse({"a.mml", "-"}));
    EXPECT_EQ("@ Parameter error!! (-)\n", printed);
    EXPECT_EQ(-1, parse({"-scnMsg"}));
    EXPECT_EQ("@ Parameter error!!\n", printed);
}

TEST_F(ParseArgs, OptionsIgnoreCaseAndUnknownValuesChangeNothing)
{
    EXPECT_EQ(0, parse({"-SCNMSG", "-mppmsg", "/dumpMsg", "-debugMsg", "-RemarkMsg", "-cnsMsgIgn", "-msgout", "x.log",
                        "-heepSize", "100", "-codeSize", "abc", "-msgTyp", "Japan", "-workMode", "file", "a.mml"}));
    EXPECT_EQ("", printed);
    EXPECT_EQ(0, ctx->console);
    EXPECT_EQ(1, ctx->scnMsg & ctx->mppMsg & ctx->dumpMsg & ctx->remarkMsg & ctx->debugMsg);
    EXPECT_STREQ("x.log", ctx->msgPath);
    EXPECT_EQ(102400u, MM_settings.heapSize);
    EXPECT_EQ(0u, MM_settings.codeSize);
    EXPECT_EQ(1, MM_language());
    EXPECT_EQ(1u, ctx->workMode);
    EXPECT_EQ(0, parse({"-msgTyp", "french", "-workMode", "disk", "-codeSize", "99999999999999", "a.mml"}));
    EXPECT_EQ(1, ctx->console);
    EXPECT_EQ(1, MM_language());
    EXPECT_EQ(1u, ctx->workMode);
    EXPECT_EQ((uint32_t)((int64_t)INT32_MAX * 1024), MM_settings.codeSize);
}

// An option's argument is never a word that names an option; a slash word
// that names none is a path.
TEST_F(ParseArgs, WordsThatLookLikeOptionsAreNotArguments)
{
    EXPECT_EQ(0, parse({"-msgOut", "/MPPMSG", "-errOut", "/tmp/err.log", "/home/me/song.mml", "out.mid", "-zylFile"}));
    EXPECT_STREQ("", ctx->msgPath);
    EXPECT_EQ(1, ctx->mppMsg);
    EXPECT_STREQ("/tmp/err.log", ctx->errPath);
    EXPECT_STREQ("/home/me/song.mml", ctx->sourceName);
    EXPECT_STREQ("out.mid", ctx->outputName);
    EXPECT_STREQ("qoral.zyl", MM_settings.zylFile);
}

TEST_F(ParseArgs, WorkPathEndsInSeparatorAndDefinitionsAreFreshEachParse)
{
    const std::pair<const char *, const char *> cases[] = {
        {"tmp", "tmp/"}, {"tmp\\", "tmp\\"}, {"", ""}, {"\x83\x5C", "\x83\x5C/"},  // 0x5C as trail byte
    };
    for (auto [value, stored] : cases) {
        EXPECT_EQ(0, parse({"-workPath", value, "a"}));
        EXPECT_STREQ(stored, ctx->workPath) << value;
    }

    EXPECT_EQ(0, parse({"-def", "A", "-def", "B=text", "a"}));
    const strList &defs = MM_settings.defs;
    ASSERT_EQ(2u, defs.count);
    EXPECT_EQ(9u, defs.bytes);
    EXPECT_STREQ("B=text", defs.tail->text);
    EXPECT_EQ(0, parse({"-def", "C", "a"}));
    ASSERT_EQ(1u, defs.count);
    EXPECT_STREQ("C", defs.head->text);
}

// A name is never cut: cut, it could open some other file.
TEST_F(ParseArgs, NamesLongerThanTheirFieldsAreRefused)
{
    std::string tooLong(MM_PATH_SIZE, 'x');
    for (const char *option : {"-errOut", "-msgOut", "-roll", "-zylPath", "-zylFile", "-workPath"}) {
        EXPECT_EQ(-1, parse({option, tooLong, "a"})) << option;
        EXPECT_EQ("@ Parameter error!! (" + std::string(option) + " : name too long)\n", printed);
    }
    EXPECT_EQ(0, parse({"-errOut", std::string(MM_PATH_SIZE - 1, 'x'), "a"}));
    // The work path must keep room for the separator it gets.
    EXPECT_EQ(0, parse({"-workPath", std::string(MM_DIR_SIZE - 2, 'w'), "a"}));
    EXPECT_EQ('/', ctx->workPath[MM_DIR_SIZE - 2]);
    EXPECT_EQ(-1, parse({"-workPath", std::string(MM_DIR_SIZE - 1, 'w'), "a"}));

    // The source must fit with ".mml" added, the output with ".mid".
    EXPECT_EQ(0, parse({std::string(MM_PATH_SIZE - 5, 's'), std::string(MM_PATH_SIZE - 5, 'o')}));
    EXPECT_EQ(-1, parse({std::string(MM_PATH_SIZE - 4, 's')}));
    EXPECT_EQ("@ Parameter error!! (source file : name too long)\n", printed);
    EXPECT_EQ(0, parse({std::string(MM_PATH_SIZE - 5, 's') + ".m"}));
    EXPECT_EQ(-1, parse({"a", std::string(MM_PATH_SIZE - 4, 'o')}));
    EXPECT_EQ("@ Parameter error!! (output file : name too long)\n", printed);

    // A -def entry is a macro, not a name: it is cut to its scratch buffer.
    EXPECT_EQ(0, parse({"-def", std::string(5000, 'd'), "a"}));
    EXPECT_EQ(MM_STRLIST_SCRATCH - 1, (int)strlen(MM_settings.defs.head->text));
    EXPECT_EQ(-1, parse({"-" + tooLong}));
    EXPECT_EQ("@ Parameter error!! (-" + tooLong + ")\n", printed);
}

TEST_F(ParseArgs, OutputNameFollowsTheSource)
{
    const char *cases[][3] = {
        {"dir/song", "", "dir/song.mid"}, {"my song", "", "my song.mid"}, {"a.b/c", "", "a.b/c.mid"},
        {"song.txt", "", "song.mid"},     {"song", "out", "out.mid"}, {"song", "out.smf", "out.smf"},
    };
    for (auto [source, output, expected] : cases) {
        snprintf(ctx->sourceName, sizeof ctx->sourceName, "%s", source);
        snprintf(ctx->outputName, sizeof ctx->outputName, "%s", output);
        EXPECT_EQ(0, MM_outputName(ctx));
        EXPECT_STREQ(expected, ctx->outputName) << source << " " << output;
    }
    // "xx...x.a" would give "xx...x.mid", one byte too long: refused, never
    // cut to "xx...x.mi", which may be another file.
    std::string source = std::string(MM_PATH_SIZE - 3, 'x') + ".a";
    snprintf(ctx->sourceName, sizeof ctx->sourceName, "%s", source.c_str());
    ctx->outputName[0] = '\0';
    EXPECT_EQ(-1, MM_outputName(ctx));
    EXPECT_STREQ("", ctx->outputName);
    EXPECT_EQ(source + " : Output file name would be longer than 259 bytes!", ctx->errMsg);
}

}  // namespace
