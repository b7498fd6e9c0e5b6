#include "script/zyl.h"

#include "../fixture.h"

namespace {

int testAdd(int a, int b) { return a + b; }
const char *testGreeting() { return "hello"; }
double testHalf(int a) { return a / 2.0; }
int *testCell()
{
    static int cell = 5;
    return &cell;
}
int testCounter;
char testMark = 'q';
int (*testHook)(int, int) = testAdd;
// What a script's call of another script by name goes through.
int testCallScript(const char *name, int value) { return ZYL_exec(name, 1, (intptr_t)value); }

constexpr uint32_t kIntFunction = 0xFF0B04;
constexpr uint32_t kCharPtrFunction = 0xFF0B0800;

class ZylTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZYL_setCfg(nullptr);
        ASSERT_EQ(0, ZYL_init(131072, 65536));
    }

    std::string writeScript(const char *name, const char *text) { return dir.write(name, text); }

    int load(const char *name, const char *text) { return ZYL_load(writeScript(name, text).c_str()); }

    static void registerFunc(const char *name, void *address, uint32_t type)
    {
        ZYLfunc entry = {name, address, type, 0};
        ASSERT_EQ(0, ZYL_setFunc(&entry));
    }

    static void registerTestTable()
    {
        registerFunc("testAdd", reinterpret_cast<void *>(testAdd), kIntFunction);
        registerFunc("testGreeting", reinterpret_cast<void *>(testGreeting), kCharPtrFunction);
        registerFunc("testHalf", reinterpret_cast<void *>(testHalf), 0xFF0B07);
        registerFunc("testCell", reinterpret_cast<void *>(testCell), 0xFF0B0804);
        registerFunc("testCounter", &testCounter, 0xFF04);
        registerFunc("testMark", &testMark, 0xFF00);
        registerFunc("testHook", &testHook, 0xFF080B04);
        registerFunc("testCallScript", reinterpret_cast<void *>(testCallScript), kIntFunction);
        registerFunc("sprintf", reinterpret_cast<void *>(sprintf), kIntFunction);
        registerFunc("strcpy", reinterpret_cast<void *>(strcpy), kCharPtrFunction);
        registerFunc("strlen", reinterpret_cast<void *>(strlen), kIntFunction);
        registerFunc("memset", reinterpret_cast<void *>(memset), kCharPtrFunction);
        registerFunc("memcpy", reinterpret_cast<void *>(memcpy), kCharPtrFunction);
    }

    ScratchDir dir;
};

constexpr const char *kArgumentScript = R"(
int zero() { return 7; }
int twice(int a) { return a * 2; }
int macro(void *ctx, int space, char *out, int argc, char **argv)
{
    out[0] = argv[argc - 1][0];
    out[1] = 0;
    return space + argc + (ctx != NULL);
}
int late(void *ctx, void *track, unsigned time, int argc, char **argv) { return time > 4000000000u; }
int eighteen(int a1, int a2, int a3, int a4, int a5, int a6, int a7, int a8, int a9,
             int a10, int a11, int a12, int a13, int a14, int a15, int a16, int a17, int a18)
{
    return a1 + 2*a2 + 3*a3 + 4*a4 + 5*a5 + 6*a6 + 7*a7 + 8*a8 + 9*a9 + 10*a10 + 11*a11
         + 12*a12 + 13*a13 + 14*a14 + 15*a15 + 16*a16 + 17*a17 + 18*a18;
}
)";

TEST_F(ZylTest, ExecPassesEachArgumentInPlace)
{
    ASSERT_EQ(0, load("args.zyl", kArgumentScript)) << ZYL_getErrMsg();
    EXPECT_EQ(7, ZYL_exec("zero", 0));
    EXPECT_EQ(-10, ZYL_exec("twice", 1, (intptr_t)-5));

    char out[8] = "";
    char first[] = "a", last[] = "z";
    char *argv[] = {first, last};
    int ctx = 0;
    EXPECT_EQ(100 + 2 + 1, ZYL_exec("macro", 5, &ctx, (intptr_t)100, out, (intptr_t)2, argv));
    EXPECT_STREQ("z", out);
    EXPECT_EQ(1, ZYL_exec("late", 5, &ctx, nullptr, (intptr_t)4294967280u, (intptr_t)0, nullptr));

    intptr_t v[20];
    int expected = 0;
    for (int i = 0; i < 20; ++i) v[i] = 100 + i;
    for (int i = 0; i < ZYL_MAX_ARGS; ++i) expected += (i + 1) * (int)v[i];
    EXPECT_EQ(expected, ZYL_exec("eighteen", 18, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                 v[10], v[11], v[12], v[13], v[14], v[15], v[16], v[17]));
    // A count beyond the limit reads no more than the limit.
    EXPECT_EQ(expected, ZYL_exec("eighteen", 20, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9],
                                 v[10], v[11], v[12], v[13], v[14], v[15], v[16], v[17], v[18], v[19]));
}

TEST_F(ZylTest, ScriptsReachRegisteredFunctionsAndVariables)
{
    registerTestTable();
    ASSERT_EQ(0, load("calls.zyl", R"(
struct pair { int a; int b; char name[40]; };
int useRegistered(char *out)
{
    struct pair p = {1, 2}, q;
    char buf[64];
    q = p;
    testCounter = testCounter + testAdd(q.a, q.b) + testHook(10, 20);
    sprintf(buf, "%s %.1f %c %d", testGreeting(), testHalf(5), testMark, *testCell());
    strcpy(out, buf);
    return strlen(out);
}
int outer(int v) { return testCallScript("inner", v) + 1; }
int inner(int v) { return v * 10; }
)")) << ZYL_getErrMsg();
    testCounter = 3;
    char out[64] = "";
    EXPECT_EQ(13, ZYL_exec("useRegistered", 1, out));
    EXPECT_STREQ("hello 2.5 q 5", out);
    EXPECT_EQ(36, testCounter);
    EXPECT_EQ(41, ZYL_exec("outer", 1, (intptr_t)4));
}

TEST_F(ZylTest, ScriptDefinitionTakesThePlaceOfARegisteredName)
{
    registerTestTable();
    ASSERT_EQ(0, load("own.zyl", "int testAdd(int a, int b) { return a * b; }\n"
                                 "int use() { return testAdd(6, 7); }\n"))
        << ZYL_getErrMsg();
    EXPECT_EQ(42, ZYL_exec("use", 0));
    EXPECT_EQ(42, ZYL_exec("testAdd", 2, (intptr_t)6, (intptr_t)7));
}

TEST_F(ZylTest, OnlyFunctionsAScriptDefinesAreCalled)
{
    EXPECT_EQ(-1, ZYL_exec("zero", 0));
    registerTestTable();
    ASSERT_EQ(0, load("names.zyl", "int counter = 5;\n"
                                   "static int hidden() { return 1; }\n"
                                   "int visible() { return hidden() + counter; }\n"))
        << ZYL_getErrMsg();
    EXPECT_EQ(6, ZYL_exec("visible", 0));
    for (const char *name : {"nothing", "counter", "hidden", "testAdd", "testCounter", "", (const char *)nullptr})
        EXPECT_EQ(-1, ZYL_exec(name, 0)) << (name ? name : "null");
}

TEST_F(ZylTest, CompilerRuntimeHelpersAreLinkedIn)
{
    ASSERT_EQ(0, load("runtime.zyl", R"(
int convert(int scale)
{
    double big = 1e19 * scale;
    unsigned long long whole = big;
    double back = whole;
    return (int)(whole / 1000000000000000000ull) + (back == big);
}
)")) << ZYL_getErrMsg();
    EXPECT_EQ(11, ZYL_exec("convert", 1, (intptr_t)1));
}

// Later scripts add functions and hide earlier ones; a script may include a
// file beside it; a missing file loads nothing and drops nothing.
TEST_F(ZylTest, ScriptsAccumulate)
{
    ASSERT_EQ(0, load("first.zyl", "int a() { return 1; }\nint b() { return 2; }\n"));
    writeScript("helper.zyl", "int b() { return 20; }\n");
    ASSERT_EQ(0, load("second.zyl", "#include \"helper.zyl\"\nint c() { return b() + 1; }")) << ZYL_getErrMsg();
    EXPECT_NE(0, ZYL_load("/nonexistent/dir/none.zyl"));
    EXPECT_NE(nullptr, strstr(ZYL_getErrMsg(), "/nonexistent/dir/none.zyl"));
    EXPECT_NE(0, ZYL_load(""));
    EXPECT_EQ(1, ZYL_exec("a", 0));
    EXPECT_EQ(20, ZYL_exec("b", 0));
    EXPECT_EQ(21, ZYL_exec("c", 0));
}

TEST_F(ZylTest, CompileErrorsNameFileAndLine)
{
    std::string path = writeScript("header.zyl", "#include <stdio.h>\nint f() { return 0; }\n");
    EXPECT_NE(0, ZYL_load(path.c_str()));
    std::string message = ZYL_getErrMsg();
    EXPECT_NE(std::string::npos, message.find(path + ":1: error:")) << message;
    EXPECT_NE(std::string::npos, message.find("stdio.h")) << message;
    EXPECT_EQ(-1, ZYL_exec("f", 0));  // a script that fails adds nothing

    // Unregistered names fail at link time, still naming the script.
    path = writeScript("unknown.zyl", "int f() { return missing() + printf(\"x\"); }\n");
    EXPECT_NE(0, ZYL_load(path.c_str()));
    message = ZYL_getErrMsg();
    EXPECT_NE(std::string::npos, message.find(path + ": error: undefined symbol 'missing'")) << message;
    EXPECT_NE(std::string::npos, message.find("'printf'")) << message;
}

TEST_F(ZylTest, SetFuncRejectsWhatThePreludeCannotDeclare)
{
    int any = 0;
    const ZYLfunc bad[] = {
        {"1abc", &any, 0xFF04, 0},    {nullptr, &any, 0xFF04, 0},     {"a-b", &any, 0xFF04, 0},
        {"noEnd", &any, 0x0B04, 0},   {"unknownBase", &any, 0xFF03, 0}, {"unknownModifier", &any, 0xFF0904, 0},
        {"funcFunc", &any, 0xFF0B0B04, 0},
    };
    for (const ZYLfunc &entry : bad) EXPECT_EQ(-1, ZYL_setFunc(&entry)) << (entry.name ? entry.name : "null");
    // A registration may be repeated; the last one counts.
    registerFunc("value", &any, 0xFF04);
    registerFunc("value", &testCounter, 0xFF04);
    testCounter = 9;
    ASSERT_EQ(0, load("value.zyl", "int get() { return value; }\n")) << ZYL_getErrMsg();
    EXPECT_EQ(9, ZYL_exec("get", 0));
}

int liveBlocks;
void *countingAlloc(size_t size)
{
    ++liveBlocks;
    return malloc(size);
}
void countingRelease(void *block)
{
    if (block) --liveBlocks;
    free(block);
}

// Every engine record comes from the configured pair, and a fresh start frees
// all that scripts and registrations took.
TEST_F(ZylTest, EngineRecordsComeFromTheConfiguredPair)
{
    const ZYLcfg cfg = {countingAlloc, countingRelease, {}};
    ZYL_setCfg(&cfg);
    ASSERT_EQ(0, ZYL_init(131072, 65536));
    int engineOnly = liveBlocks;
    EXPECT_GT(engineOnly, 0);
    registerTestTable();
    ASSERT_EQ(0, load("counted.zyl", "int f() { return 1; }\n"));
    EXPECT_GT(liveBlocks, engineOnly);
    ASSERT_EQ(0, ZYL_init(131072, 65536));
    EXPECT_EQ(engineOnly, liveBlocks);
    ZYL_setCfg(nullptr);
    ASSERT_EQ(0, ZYL_init(131072, 65536));
    EXPECT_EQ(0, liveBlocks);
}

}  // namespace
