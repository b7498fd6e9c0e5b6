#include "source/directive.h"

#include "source_fixture.h"

namespace {

class Directive : public SourceTest {
protected:
    // A current file without a stream: enough for the directive handler.
    SourceFile &file = ctx->fileStack[0];

    void SetUp() override
    {
        SourceTest::SetUp();
        ctx->fileDepth = 1;
        strcpy(file.name, "fake.mml");
    }

    // Runs directive lines in order; gives "ok" or the first failure's message.
    std::string run(std::initializer_list<const char *> lines)
    {
        for (const char *line : lines) {
            ctx->errMsg = nullptr;
            if (MMcpp_directive(ctx, line) < 0) return pending();
        }
        return "ok";
    }

    uint32_t state() const { return file.ifState[file.ifLevel]; }
    std::string valueOf(const char *name)
    {
        MMacRec *rec = MMac_find(ctx, name);
        return rec ? static_cast<char *>(rec->value) : "(none)";
    }
};

}  // namespace

TEST_F(Directive, ConditionalStates)
{
    EXPECT_EQ("ok", run({"#if 0"}));
    EXPECT_EQ(0x02u, state());
    EXPECT_FALSE(MMcpp_isActive(file));
    EXPECT_EQ("ok", run({"#ifdef expr"}));  // inside an inactive region
    EXPECT_EQ(0x03u, state());
    EXPECT_EQ("ok", run({"#else"}));
    EXPECT_EQ(0x03u, state());
    EXPECT_EQ("ok", run({"#endif"}));
    EXPECT_EQ(0x02u, state());
    EXPECT_EQ("ok", run({"#else"}));
    EXPECT_EQ(0x82u, state());
    EXPECT_EQ("ok", run({"#else"}));  // a second #else does not toggle back
    EXPECT_EQ(0x82u, state());
    EXPECT_EQ("ok", run({"#endif", "#if 7"}));
    EXPECT_EQ(0x81u, state());
    EXPECT_EQ("ok", run({"#else", "#else"}));
    EXPECT_EQ(0x01u, state());
    EXPECT_EQ("ok", run({"#endif"}));
    EXPECT_EQ(0, file.ifCount);
    EXPECT_EQ(0, file.ifLevel);
    EXPECT_TRUE(MMcpp_isActive(file));
}

TEST_F(Directive, IfTakesALiteralNumber)
{
    struct Case {
        const char *line;
        uint32_t state;
    } cases[] = {{"#if abc", 0x02}, {"#if -2", 0x81}, {"#if", 0x02}, {"#if  +5x", 0x81}, {"#if 0x10", 0x02},
                 {"#IF 1", 0x81}};
    for (const Case &c : cases) {
        EXPECT_EQ("ok", run({c.line}));
        EXPECT_EQ(c.state, state()) << c.line;
        run({"#endif"});
    }
}

TEST_F(Directive, IfdefAndIfndefSeeEveryKind)
{
    MMac_define(ctx, "user", "", 0);
    MMac_defineTable(ctx, "tab", "1");
    for (const char *name : {"user", "USER", "tab", "expr", "A0"}) {
        EXPECT_EQ("ok", run({(std::string("#ifdef ") + name).c_str()}));
        EXPECT_EQ(0x81u, state()) << name;
        EXPECT_EQ("ok", run({(std::string("#ifndef ") + name).c_str()}));
        EXPECT_EQ(0x02u, state()) << name;
        run({"#endif", "#endif"});
    }
    EXPECT_EQ("ok", run({"#IFNDEF none"}));
    EXPECT_EQ(0x81u, state());
}

TEST_F(Directive, ThirtyOneLevelsPerFile)
{
    for (int i = 0; i < 31; ++i) ASSERT_EQ("ok", run({"#if 1"})) << i;
    EXPECT_EQ(30, file.ifLevel);
    EXPECT_EQ("Too many nested #if statements!", run({"#if 1"}));
    EXPECT_EQ("Too many nested #if statements!", run({"#ifdef x"}));
    EXPECT_EQ("Too many nested #if statements!", run({"#ifndef x"}));
    EXPECT_EQ(31, file.ifCount);
}

TEST_F(Directive, UnmatchedElseAndEndif)
{
    EXPECT_EQ("#else must be in an #if", run({"#else"}));
    EXPECT_EQ("#endif must be in an #if", run({"#endif"}));
    EXPECT_EQ("#endif must be in an #if", run({"#if 1", "#endif", "#endif"}));
}

TEST_F(Directive, MacroNames)
{
    EXPECT_EQ("ok", run({"#define\tTAB\tvalue  "}));
    EXPECT_EQ("value  ", valueOf("tab"));  // trailing blanks stay
    EXPECT_EQ("ok", run({"#define EMPTY"}));
    EXPECT_EQ("", valueOf("empty"));
    EXPECT_EQ("Macro name must be identifier!", run({"#define 1a x"}));
    EXPECT_EQ("Macro name must be identifier!", run({"#define a-b x"}));
    EXPECT_EQ("Macro name must be identifier!", run({"#define"}));
    EXPECT_EQ("Macro name must be identifier!", run({"#undef a(b)"}));
    std::string name(255, 'n');
    EXPECT_EQ("ok", run({("#define " + name + " 1").c_str()}));
    EXPECT_EQ("Too long macro name!", run({("#define " + name + "n 1").c_str()}));
    EXPECT_EQ("Too long macro name!", run({("#ifdef " + name + "n").c_str()}));
}

TEST_F(Directive, IfdefReadsItsNameEvenWhenInactive)
{
    EXPECT_EQ("Macro name must be identifier!", run({"#if 0", "#ifdef 9"}));
    EXPECT_EQ(2, file.ifCount);  // the level was opened before the name failed
}

TEST_F(Directive, DefineRedefineAndUndef)
{
    EXPECT_EQ("Redefining defined variable \"A\"", run({"#define A 1", "#define A 2"}));
    EXPECT_EQ("1", valueOf("A"));
    EXPECT_EQ("ok", run({"#define $A 2"}));
    EXPECT_EQ("2", valueOf("a"));
    EXPECT_EQ("ok", run({"#$A 3", "#  $a  4"}));
    EXPECT_EQ("4", valueOf("A"));
    EXPECT_EQ("ok", run({"#$NEW x"}));  // redefinition allowed, not required
    EXPECT_EQ("x", valueOf("NEW"));
    EXPECT_EQ("Can't undefine variable \"A0\"", run({"#$A0 1"}));
    EXPECT_EQ("Can't undefine variable \"expr\"", run({"#undef expr"}));
    EXPECT_EQ("ok", run({"#undef A", "#undef A", "#UNDEF never"}));
    EXPECT_EQ("(none)", valueOf("A"));
}

TEST_F(Directive, Tables)
{
    EXPECT_EQ("ok", run({"#table T 10, 20 ,30"}));
    EXPECT_EQ(12u, MMac_find(ctx, "T")->size);
    EXPECT_EQ("Table error!", run({"#table U 1,a"}));
    EXPECT_EQ("Redefining defined variable \"T\"", run({"#table T 1"}));
    EXPECT_EQ("Macro name must be identifier!", run({"#table 5 1"}));
}

TEST_F(Directive, InactiveRegionSkipsDefinitionsAndIncludes)
{
    EXPECT_EQ("ok", run({"#if 0", "#define X 1", "#$Y 1", "#table Z 1", "#undef expr", "#include \"none.mml\"",
                         "#include broken", "#endif"}));
    for (const char *name : {"X", "Y", "Z"}) EXPECT_EQ(nullptr, MMac_find(ctx, name));
}

TEST_F(Directive, IncludeNames)
{
    for (const char *line : {"#include \"a b.mml\"", "#include \"open.mml", "#include <x.mml\"", "#include x.mml",
                             "#include", "#include \"tab\t.mml\""})
        EXPECT_EQ("File name must be identifier!", run({line})) << line;
    std::string longName(256, 'f');
    EXPECT_EQ("File name must be identifier!", run({("#include \"" + longName + "\"").c_str()}));
    longName.pop_back();
    EXPECT_EQ(longName + " : File open error!", run({("#include \"" + longName + "\"").c_str()}));
    EXPECT_EQ(1, ctx->fileDepth);
}

TEST_F(Directive, UnknownAndEmptyDirectivesAreIgnored)
{
    EXPECT_EQ("ok", run({"#", "#   ", "#pragma x", "#elif 1", "#if(1)", "#defined A 1", "#includes \"x\""}));
    EXPECT_EQ(0, file.ifCount);
    EXPECT_EQ(nullptr, MMac_find(ctx, "A"));
}

TEST_F(Directive, ErrorStopsEvenInsideInactiveRegions)
{
    run({"#if 0"});
    EXPECT_EQ("fake.mml (0) : #error : stop here  \n", fatal([&] { run({"#error   stop here  "}); }));
}

using Conditionals = SourceTest;

TEST_F(Conditionals, DeepNestingInAFileFailsWithItsLine)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "#if 0\n";
    write("deep.mml", text);
    EXPECT_EQ("deep.mml (32) : Too many nested #if statements!\n", readAll("deep.mml").printed);
}
