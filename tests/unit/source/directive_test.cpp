#include "source/directive.h"

#include "../fixture.h"

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
    std::string run(std::initializer_list<std::string> lines)
    {
        for (const std::string &line : lines) {
            ctx->errMsg = nullptr;
            if (MMcpp_directive(ctx, line.c_str()) < 0) return pending();
        }
        return "ok";
    }
};

TEST_F(Directive, ConditionsTakeLiteralNumbersAndSeeEveryKindOfMacro)
{
    MMac_define(ctx, "user", "", 0);
    MMac_defineTable(ctx, "tab", "1");
    const std::pair<const char *, bool> cases[] = {
        {"#if", false}, {"#if  +5x", true}, {"#if 0x10", false}, {"#IF 1", true},
        {"#ifdef USER", true}, {"#ifdef tab", true}, {"#ifdef A0", true}, {"#ifdef expr", true},
        {"#ifndef tab", false}, {"#IFNDEF none", true},
    };
    for (const auto &[line, active] : cases) {
        ASSERT_EQ("ok", run({line}));
        EXPECT_EQ(active, MMcpp_isActive(file)) << line;
        ASSERT_EQ("ok", run({"#endif"}));
    }
    // Unknown and empty directives are ignored.
    EXPECT_EQ("ok", run({"#", "#elif 1", "#if(1)", "#defined A 1", "#includes \"x\""}));
    EXPECT_EQ(0, file.ifCount);
    EXPECT_EQ(nullptr, MMac_find(ctx, "A"));
}

TEST_F(Directive, Failures)
{
    std::string name(255, 'n');
    ASSERT_EQ("ok", run({"#define " + name + " 1", "#define A 1", "#table T 10, 20 ,30"}));
    EXPECT_EQ(12u, MMac_find(ctx, "T")->size);
    const std::pair<std::string, const char *> cases[] = {
        {"#define 1a x", "Macro name must be identifier!"},
        {"#define a-b x", "Macro name must be identifier!"},
        {"#define", "Macro name must be identifier!"},
        {"#undef a(b)", "Macro name must be identifier!"},
        {"#table 5 1", "Macro name must be identifier!"},
        {"#define " + name + "n 1", "Too long macro name!"},
        {"#define A 2", "Redefining defined variable \"A\""},
        {"#table T 1", "Redefining defined variable \"T\""},
        {"#$A0 1", "Can't undefine variable \"A0\""},
        {"#undef expr", "Can't undefine variable \"expr\""},
        {"#table U 1,a", "Table error!"},
        {"#else", "#else must be in an #if"},
        {"#endif", "#endif must be in an #if"},
        {"#include \"a b.mml\"", "File name must be identifier!"},
        {"#include \"open.mml", "File name must be identifier!"},
        {"#include <x.mml\"", "File name must be identifier!"},
        {"#include x.mml", "File name must be identifier!"},
        {"#include", "File name must be identifier!"},
        {"#include \"" + std::string(256, 'f') + "\"", "File name must be identifier!"},
        {"#include \"" + std::string(255, 'f') + "\"", "File open error!"},
        {"#ifdef " + name + "n", "Too long macro name!"},  // opens a level: last
    };
    for (const auto &[line, message] : cases) EXPECT_NE(std::string::npos, run({line}).find(message)) << line;
    EXPECT_EQ("1", std::string(static_cast<char *>(MMac_find(ctx, "A")->value)));
    EXPECT_EQ(1, ctx->fileDepth);
}

TEST_F(Directive, InactiveRegionSkipsDefinitionsButReadsIfdefNames)
{
    EXPECT_EQ("ok", run({"#if 0", "#define X 1", "#$Y 1", "#table Z 1", "#undef expr", "#include broken"}));
    for (const char *name : {"X", "Y", "Z"}) EXPECT_EQ(nullptr, MMac_find(ctx, name));
    EXPECT_EQ("Macro name must be identifier!", run({"#ifdef 9"}));
    EXPECT_EQ(2, file.ifCount);  // the level was opened before the name failed
}

using Conditionals = SourceTest;

// Thirty-one levels are open at once; the thirty-second fails.
TEST_F(Conditionals, DeepNestingInAFileFailsWithItsLine)
{
    std::string text;
    for (int i = 0; i < 40; ++i) text += "#if 0\n";
    write("deep.mml", text);
    EXPECT_EQ("deep.mml (32) : Too many nested #if statements!\n", readAll("deep.mml").printed);
}

}  // namespace
