#include "driver/offered.h"

#include "../fixture.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "script/zyl.h"

namespace {

class OfferedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZYL_setCfg(nullptr);
        ASSERT_EQ(0, ZYL_init(131072, 65536));
        MM_registerOffered();
    }

    int load(const char *text) { return ZYL_load(dir.write("script.zyl", text).c_str()); }

    ScratchDir dir;
};

TEST_F(OfferedTest, TableEndsWithTheProgramsOwnFunctions)
{
    ASSERT_EQ(106, MM_offeredCount());
    const ZYLfunc *table = MM_offeredTable();
    EXPECT_STREQ("errno", table[0].name);
    EXPECT_STREQ("_funcCall", table[96].name);
    EXPECT_STREQ("MMac_extDefine", table[105].name);
    EXPECT_EQ(nullptr, table[106].name);
}

TEST_F(OfferedTest, ScriptsUseLibraryFunctionsWithoutDeclarations)
{
    ASSERT_EQ(0, load("int f(void *out) {\n"
                      "  char *p = malloc(16);\n"
                      "  sprintf(p, \"%d-%s\", 42, \"x\");\n"
                      "  strcpy(out, p);\n"
                      "  free(p);\n"
                      "  return strcmpi(\"ABC\", \"abc\") == 0 && isdigit('7') && toupper('q') == 'Q';\n"
                      "}\n"))
        << ZYL_getErrMsg();
    char out[16] = "";
    EXPECT_EQ(1, ZYL_exec("f", 1, (intptr_t)out));
    EXPECT_STREQ("42-x", out);
}

TEST_F(OfferedTest, TimesAndFileOffsetsAreIntsInScripts)
{
    std::string data = dir.write("data.txt", "abcdef");
    ASSERT_EQ(0, load("int f(char *path) {\n"
                      "  int t[2];\n"
                      "  int now, *tm, c;\n"
                      "  void *fp;\n"
                      "  t[1] = 77;\n"
                      "  now = time(t);\n"
                      "  if (t[1] != 77 || t[0] != now) return 1;\n"
                      "  tm = localtime(t);\n"
                      "  if (tm[5] < 120) return 2;\n"
                      "  if (difftime(now + 5, now) != 5.0) return 3;\n"
                      "  fp = fopen(path, \"r\");\n"
                      "  fseek(fp, -2, 2);\n"
                      "  c = fgetc(fp);\n"
                      "  fclose(fp);\n"
                      "  return c == 'e' ? 0 : 4;\n"
                      "}\n"))
        << ZYL_getErrMsg();
    EXPECT_EQ(0, ZYL_exec("f", 1, (intptr_t)data.c_str()));
}

TEST_F(OfferedTest, FuncCallPassesAtMostEighteenArguments)
{
    ASSERT_EQ(0, load("int sum(int a, int b, int c, int d, int e, int f, int g, int h, int i,\n"
                      "        int j, int k, int l, int m, int n, int o, int p, int q, int r) {\n"
                      "  return a + b + c + d + e + f + g + h + i + j + k + l + m + n + o + p + q + r;\n"
                      "}\n"
                      "int twenty(void) {\n"
                      "  return _funcCall(\"sum\", 20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,\n"
                      "                   18, 1000, 1000);\n"
                      "}\n"
                      "int two(void) { return _funcCall(\"sum\", 2, 40, 2); }\n"))
        << ZYL_getErrMsg();
    EXPECT_EQ(171, ZYL_exec("twenty", 0));
    EXPECT_EQ(42, ZYL_exec("two", 0));
    EXPECT_EQ(0, _funcCall("sum", -1));
}

TEST_F(OfferedTest, ByteAccessorsStoreLowBitsAndReadZeroExtended)
{
    unsigned char cell[4] = {0, 0, 0, 0};
    intptr_t p = (intptr_t)cell;
    EXPECT_EQ(p, _setDword(p, 0x12345678));
    EXPECT_EQ(0x12345678u, _getDword(p));
    EXPECT_EQ(p, _setWord(p, 0x1ABCD));
    EXPECT_EQ(0xABCDu, _getWord(p));
    EXPECT_EQ(p, _setByte(p, 0x1FF));
    EXPECT_EQ(0xFFu, _getByte(p));
    EXPECT_EQ(0x1234ABFFu, _getDword(p));
}

TEST(FindZylFile, ScriptDirectoryFirstThenEachPathElement)
{
    std::string savedPath = getenv("PATH") ? getenv("PATH") : "";
    snprintf(MM_settings.zylFile, sizeof MM_settings.zylFile, "%s", "find_test.zyl");
    ScratchDir a, b, c;
    setenv("PATH", (b.path + ";" + "/nonexistent:" + c.path).c_str(), 1);
    auto found = [&](const std::string &start) {
        char path[260];
        snprintf(path, sizeof path, "%s", start.c_str());
        return MM_findZylFile(path) == 1 ? std::string(path) : "(none)";
    };
    EXPECT_EQ("(none)", found(a.path));
    for (const ScratchDir *where : {&c, &b, &a}) {
        std::string file = where->write("find_test.zyl", "");
        EXPECT_EQ(file, found(a.path + "/"));
    }
    setenv("PATH", savedPath.c_str(), 1);
    MM_resetSettings();
}

}  // namespace
