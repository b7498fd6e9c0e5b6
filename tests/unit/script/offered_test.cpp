#include "script/offered.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "driver/settings.h"
#include "script/startup.h"
#include "script/zyl.h"

namespace {

std::string tempPath(const std::string &name)
{
    return ::testing::TempDir() + "offered_" + std::to_string(getpid()) + "_" + name;
}

void writeFile(const std::string &path, const char *text)
{
    FILE *fp = fopen(path.c_str(), "w");
    ASSERT_NE(nullptr, fp);
    fputs(text, fp);
    fclose(fp);
}

class OfferedTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZYL_setCfg(nullptr);
        ASSERT_EQ(0, ZYL_init(131072, 65536));
        MM_registerOffered();
    }

    int load(const char *text)
    {
        std::string path = tempPath("script.zyl");
        writeFile(path, text);
        return ZYL_load(path.c_str());
    }
};

TEST_F(OfferedTest, TableHoldsTheFunctionsInTheirFixedOrder)
{
    const char *expected[] = {
        "errno", "stdin", "stdout", "stderr", "putc", "puts", "fputc", "fputs", "fread", "getc", "gets", "fgetc",
        "fgets", "fwrite", "fopen", "fclose", "fseek", "ftell", "rewind", "setbuf", "fflush", "ungetc", "getchar",
        "putchar", "clearerr", "feof", "ferror", "fileno", "printf", "fprintf", "sprintf", "vprintf", "vfprintf",
        "vsprintf", "scanf", "fscanf", "sscanf", "system", "freopen", "strcpy", "strncpy", "strcat", "strncat",
        "strchr", "strrchr", "strpbrk", "strtok", "strdup", "strstr", "strcmp", "strcmpi", "strncmp", "strlen",
        "strspn", "strcspn", "memccpy", "memchr", "memcpy", "memset", "memcmp", "atof", "atoi", "atol", "rand",
        "srand", "calloc", "malloc", "realloc", "free", "exit", "abort", "getenv", "bsearch", "qsort", "isalpha",
        "isupper", "islower", "isdigit", "isxdigit", "isalnum", "isspace", "ispunct", "isprint", "isgraph",
        "iscntrl", "isascii", "toupper", "tolower", "toascii", "clock", "time", "localtime", "mktime", "ctime",
        "asctime", "difftime", "_funcCall", "_setByte", "_setWord", "_setDword", "_getByte", "_getWord",
        "_getDword", "MM_setErrMsg", "MM_fopen", "MMac_extDefine"};
    ASSERT_EQ(106, MM_offeredCount());
    const ZYLfunc *table = MM_offeredTable();
    for (int i = 0; i < 106; ++i) EXPECT_STREQ(expected[i], table[i].name) << i;
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

class FindZylFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedPath_ = getenv("PATH") ? getenv("PATH") : "";
        snprintf(MM_settings.zylFile, sizeof MM_settings.zylFile, "%s", "find_test.zyl");
        for (const char *d : {"a", "b", "c"}) mkdir(tempPath(d).c_str(), 0700);
    }
    void TearDown() override
    {
        setenv("PATH", savedPath_.c_str(), 1);
        snprintf(MM_settings.zylFile, sizeof MM_settings.zylFile, "%s", "qoral.zyl");
        for (const char *d : {"a", "b", "c"}) {
            remove((tempPath(d) + "/find_test.zyl").c_str());
            rmdir(tempPath(d).c_str());
        }
    }
    std::string savedPath_;
};

TEST_F(FindZylFileTest, ScriptDirectoryFirstThenEachPathElement)
{
    std::string a = tempPath("a"), b = tempPath("b"), c = tempPath("c");
    setenv("PATH", (b + ";" + "/nonexistent:" + c).c_str(), 1);
    char path[260];

    snprintf(path, sizeof path, "%s", a.c_str());
    EXPECT_EQ(0, MM_findZylFile(path));

    writeFile(c + "/find_test.zyl", "");
    snprintf(path, sizeof path, "%s", a.c_str());
    ASSERT_EQ(1, MM_findZylFile(path));
    EXPECT_EQ(c + "/find_test.zyl", path);

    writeFile(b + "/find_test.zyl", "");
    snprintf(path, sizeof path, "%s", a.c_str());
    ASSERT_EQ(1, MM_findZylFile(path));
    EXPECT_EQ(b + "/find_test.zyl", path);

    writeFile(a + "/find_test.zyl", "");
    snprintf(path, sizeof path, "%s/", a.c_str());
    ASSERT_EQ(1, MM_findZylFile(path));
    EXPECT_EQ(a + "/find_test.zyl", path);
}

}  // namespace
