#include <random>

#include "../fixture.h"
#include "source/expand.h"

namespace {

using Expand = SourceTest;

// What the song macros.mml does not show: edge cases and every failure.
TEST_F(Expand, EdgeCasesAndFailures)
{
    const std::pair<const char *, const char *> macros[] = {
        {"M", "x$1y$2"}, {"Args", "$12|$1g|$9"}, {"BAD", "$12x"}, {"P", "cde"},
        {"W", "<$1>"},   {"V", "$W($1$1)"},      {"many", "$9$1"}, {"R", "$($1)$2"},
    };
    for (const auto &[name, value] : macros) ASSERT_EQ(0, MMac_define(ctx, name, value, 0));
    MMac_defineTable(ctx, "T", "10,20,30");
    MMac_defineTable(ctx, "E", "");
    MMac_defineTable(ctx, "N", "-2147483648");
    const std::string arg(511, 'a');
    const std::pair<std::string, std::string> cases[] = {
        // Escapes and comments never read past the end; a bad \x drops both characters.
        {"a/* never closed", "a"},
        {"a/b*/c", "a/b*/c"},
        {"\\xfE\\(", "\xfe("},
        {"a\\xg1b", "ab"},
        {"a\\x4gb", "ab"},
        {"a\\x4", "a"},
        {"a\\x", "a"},
        {"a\\", "a"},
        // 0x83 0x5C is one character; its trail byte is not a backslash. A
        // lead byte without a valid trail byte stands alone.
        {"\x83\x5C" "n", "\x83\x5C" "n"},
        {"\\\x83\x5C$A0", "\x83\x5C" "160"},
        {"\x83$A0", "\x83" "160"},
        // Two hexadecimal digits make a number only when no name character follows.
        {"$ABC", "error: Can't define macro ABC "},
        {"$A0_", "error: Can't define macro A0_ "},
        {"$", "error: Macro name must be identifier!"},
        {"$-", "error: Macro name must be identifier!"},
        {"$1", "error: Macro name must be identifier!"},  // outside a macro body
        // Arguments: $1e is the hexadecimal form; a missing ) gives none and takes the line.
        {"$M (p, q)", "xpyq"},
        {"$Args(a)", "18|ag|"},
        {"$BAD(a)", "error: Macro name must be identifier!"},
        {"$M(p,q", "xy"},
        // Arguments are expanded in the caller's scope, then again where $n stands.
        {"$V($P)", "<cdecde>"},
        {"$W($$)", "error: Macro name must be identifier!"},
        {"$many(a,b,c,d,e,f,g,h,i,j,k)", "ia"},
        {"$W(" + arg + ")", "<" + arg + ">"},
        {"$W(" + arg + "a)", "error: Out of string space!"},
        {"$W($(" + std::string(256, 'b') + "))", "error: Out of string space!"},
        // Repeats: no count is 2; the count is literal, so $2 behind ) is none.
        {"$(cde) x", "cdecdex"},
        {"$(a(b))", "a(b)a(b)"},
        {"$(cde)-1", "error: Repeat error!"},
        {"$(cde", "error: Repeat error!"},
        {"$R(ab,3)", "abab3"},
        {"$($(/**/)2000000000)2000000000ok", "ok"},
        // Table indexes are expanded first.
        {"$T( 1 )", "20"},
        {"$T($(1)1)", "20"},
        {"$T(-1)", "error: Table error!"},
        {"$T(x)", "error: Table error!"},
        {"$T(1x)", "error: Table error!"},
        {"$E", "error: Table error!"},
        {"$N", "-2147483648"},
        {"$wave$slide(1,2)$swave", "error: Wave parameter error!"},  // the first generator call fails
    };
    for (const auto &[in, out] : cases) EXPECT_EQ(out, expand(in)) << in;
}

TEST_F(Expand, TextMacrosNest128Deep)
{
    for (int i = 1; i <= 129; ++i) {
        char name[16], value[16];
        snprintf(name, sizeof name, "m%d", i);
        snprintf(value, sizeof value, i < 129 ? "$m%d" : "end", i + 1);
        MMac_define(ctx, name, value, 0);
    }
    EXPECT_EQ("end", expand("$m2"));
    EXPECT_EQ("error: Macro stack over!", expand("$m1"));
    EXPECT_EQ(0, ctx->macroNest);
}

TEST_F(Expand, DeepNestingOfArgumentsFailsCleanly)
{
    MMac_define(ctx, "W", "$1", 0);
    auto nested = [](const char *open, int depth) {
        std::string line;
        for (int i = 0; i < depth; ++i) line += open;
        return line + "x" + std::string((size_t)depth, ')');
    };
    EXPECT_EQ("error: Macro stack over!", expand(nested("$W(", 1030)));
    EXPECT_EQ("error: Macro stack over!", expand(nested("$(", 1030)));
    // Deeper still, each level scanning the levels inside it: the work bound comes first.
    EXPECT_EQ("error: Macro expansion too long! (more than 4000000 steps in one line)", expand(nested("$W(", 5000)));
}

TEST_F(Expand, SpaceLimit)
{
    EXPECT_EQ("abc", expand("abc", 4));
    EXPECT_EQ("error: Out of string space!", expand("abcd", 4));
    EXPECT_EQ("error: Out of string space!", expand("$FF", 3));
    EXPECT_EQ("255", expand("$FF", 4));
    EXPECT_EQ("error: Out of string space!", expand("", 0));
    MMac_define(ctx, "L", "xxxxxxxxxx", 0);
    EXPECT_EQ("error: Out of string space!", expand("$($L)2000"));
    MMac_defineTable(ctx, "T", "12345");
    EXPECT_EQ("ab12345", expand("ab$T", 8));
    EXPECT_EQ("error: Out of string space!", expand("abc$T", 8));
}

int gSpaceSeen;
std::vector<std::string> gArgsSeen;

int recordCall(mmctx *, int space, char *out, int argc, char **argv)
{
    gSpaceSeen = space;
    gArgsSeen.assign(argv, argv + argc);
    EXPECT_EQ(nullptr, argv[argc]);
    strcpy(out, "<f>");
    return 3;
}

TEST_F(Expand, FunctionMacrosGetRemainingSpaceAndExpandedArguments)
{
    MMac_extDefine(ctx, "f", "", MACRO_FUNC, recordCall);
    MMac_define(ctx, "P", "cde", 0);
    EXPECT_EQ("ab<f>z", expand("ab$f( $P ,\"x,y\",)z"));  // blanks behind $P go with it
    EXPECT_EQ(MM_LINE_SIZE - 2, gSpaceSeen);
    EXPECT_EQ((std::vector<std::string>{"cde", "x,y", ""}), gArgsSeen);
    MMac_define(ctx, "in", "12$f$f", 0);
    EXPECT_EQ("a12<f><f>", expand("a$in", 100));
    EXPECT_EQ(100 - 6, gSpaceSeen);
    EXPECT_EQ(std::vector<std::string>{}, gArgsSeen);
}

TEST_F(Expand, FunctionAndScriptMacroFailures)
{
    MMac_extDefine(ctx, "fail", "", MACRO_FUNC,
                   [](mmctx *c, int, char *, int, char **) { return MM_setErr(c, "generator failed"); });
    MMac_extDefine(ctx, "quiet", "", MACRO_FUNC, [](mmctx *, int, char *, int, char **) { return -1; });
    MMac_extDefine(ctx, "over", "", MACRO_FUNC, [](mmctx *, int space, char *, int, char **) { return space; });
    MMac_extDefine(ctx, "scr", "noSuchFunction", MACRO_SCRIPT, nullptr);
    EXPECT_EQ("error: generator failed", expand("$fail"));
    EXPECT_EQ("error: Macro function error! (quiet)", expand("$quiet"));
    EXPECT_EQ("error: Out of string space!", expand("$over"));
    EXPECT_EQ(0u, expand("$scr(1)").rfind("error: ", 0));
}

TEST_F(Expand, RandomInputEitherExpandsOrFailsWithAMessage)
{
    MMac_define(ctx, "A", "$B($1,$2)x", 0);
    MMac_define(ctx, "B", "($2)$(\\$1)3", 0);
    MMac_define(ctx, "C", "c$C", 0);
    MMac_defineTable(ctx, "T", "1,2,3");
    const char *tokens[] = {"$", "(", ")", "$(", "\\", "/*", "*/", "$A", "$B", "$C", "$T", "$1", "$2", "$$",
                            ",", "\"", " ", "x", "9", "0", "$FF", "\\x4", "\x83\\", "\x83", "\xff", ")99"};
    char arg[] = "$2a";
    char *argv[] = {arg, nullptr};
    std::mt19937 rng(20261206);
    for (int i = 0; i < 5000; ++i) {
        std::string in;
        for (int n = (int)(rng() % 60); n > 0; --n) in += tokens[rng() % std::size(tokens)];
        char out[256];
        ctx->errMsg = nullptr;
        ctx->macroNest = 0;
        int n = MMcpp_expand(ctx, sizeof out, out, in.c_str(), (int)(rng() % 3) - 1, argv);
        if (n >= 0)
            EXPECT_LT(n, (int)sizeof out) << in;
        else
            EXPECT_NE(nullptr, ctx->errMsg) << in;
        EXPECT_EQ(0, ctx->macroNest) << in;
    }
}

}  // namespace
