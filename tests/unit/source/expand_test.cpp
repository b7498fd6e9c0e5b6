#include "source/macro_table.h"

#include <random>
#include <vector>

#include "source_fixture.h"

using Expand = SourceTest;

TEST_F(Expand, PlainTextCommentsAndEscapes)
{
    EXPECT_EQ("", expand(""));
    EXPECT_EQ("l8 cdef", expand("l8 cdef"));
    EXPECT_EQ("ab", expand("a/*x/*y*/z*/b"));
    EXPECT_EQ("a", expand("a/* never closed"));
    EXPECT_EQ("a/b*/c", expand("a/b*/c"));
    EXPECT_EQ("\tA$\\(", expand("\\t\\x41\\$\\\\\\("));
    EXPECT_EQ("\xfe", expand("\\xfE"));
    EXPECT_EQ("ab", expand("a\\xg1b"));   // both characters go, nothing is written
    EXPECT_EQ("ab", expand("a\\x4gb"));
    EXPECT_EQ("a", expand("a\\x4"));       // never past the end
    EXPECT_EQ("a", expand("a\\x"));
    EXPECT_EQ("a", expand("a\\"));
}

TEST_F(Expand, DoubleByteTrailIsNeverAnEscapeOrDollar)
{
    // 0x83 0x5C is one character; its trail byte is not a backslash.
    EXPECT_EQ("\x83\x5C" "n", expand("\x83\x5C" "n"));
    EXPECT_EQ("\x83\x5C" "160", expand("\\\x83\x5C$A0"));
    // A lead byte without a valid trail byte stands alone.
    EXPECT_EQ("\x83" "160", expand("\x83$A0"));
}

TEST_F(Expand, DollarForms)
{
    // Two hexadecimal digits make a number only when no name character follows.
    EXPECT_EQ("160 255 12,", expand("$A0 $FF $0c,"));
    EXPECT_EQ("error: Can't define macro ABC ", expand("$ABC"));
    EXPECT_EQ("error: Can't define macro A0_ ", expand("$A0_"));
    EXPECT_EQ("a$b", expand("a$$b"));
    EXPECT_EQ("error: Macro name must be identifier!", expand("$"));
    EXPECT_EQ("error: Macro name must be identifier!", expand("$-"));
    // Outside a macro body $1 is no argument.
    EXPECT_EQ("error: Macro name must be identifier!", expand("$1"));
}

TEST_F(Expand, Arguments)
{
    MMac_define(ctx, "M", "x$1y$2", 0);
    EXPECT_EQ("xpyq", expand("$M(p,q)"));
    EXPECT_EQ("xpyq", expand("$M (p, q)"));
    EXPECT_EQ("xpy", expand("$M(p)"));
    EXPECT_EQ("xy", expand("$M"));
    EXPECT_EQ("xa,byc", expand("$M(\"a,b\",c)"));
    // $1e is the hexadecimal form, not argument 1 followed by e.
    MMac_define(ctx, "H", "c$1e$2", 0);
    EXPECT_EQ("c30q", expand("$H(p,q)"));
    MMac_define(ctx, "T", "$12|$1g|$9", 0);
    EXPECT_EQ("18|ag|", expand("$T(a)"));
    MMac_define(ctx, "BAD", "$12x", 0);
    EXPECT_EQ("error: Macro name must be identifier!", expand("$BAD(a)"));
    // A missing ) gives no arguments and takes the rest of the line.
    EXPECT_EQ("xy", expand("$M(p,q"));
}

TEST_F(Expand, ArgumentsAreExpandedInTheCallersScope)
{
    MMac_define(ctx, "P", "cde", 0);
    MMac_define(ctx, "W", "<$1>", 0);
    MMac_define(ctx, "V", "$W($1$1)", 0);
    EXPECT_EQ("<cdecde>", expand("$V($P)"));
    // An argument is expanded twice: in the call, then where $1 stands.
    EXPECT_EQ("<$>", expand("$W($$$$)"));
    EXPECT_EQ("error: Macro name must be identifier!", expand("$W($$)"));
    MMac_define(ctx, "many", "$9$1", 0);
    EXPECT_EQ("ia", expand("$many(a,b,c,d,e,f,g,h,i,j,k)"));
}

TEST_F(Expand, ArgumentScratchHolds511Characters)
{
    MMac_define(ctx, "W", "<$1>", 0);
    std::string arg(511, 'a');
    EXPECT_EQ("<" + arg + ">", expand("$W(" + arg + ")"));
    EXPECT_EQ("error: Out of string space!", expand("$W(" + arg + "a)"));
    EXPECT_EQ("error: Out of string space!", expand("$W($(" + std::string(256, 'b') + "))"));
}

TEST_F(Expand, Repeats)
{
    EXPECT_EQ("cdecdecde", expand("$(cde)3"));
    EXPECT_EQ("cdecde", expand("$(cde)"));
    EXPECT_EQ("cdecdex", expand("$(cde) x"));      // no number: 2
    EXPECT_EQ("a(b)a(b)", expand("$(a(b))"));
    EXPECT_EQ("xyyxyy", expand("$(x$(y))"));
    EXPECT_EQ("", expand("$()9"));
    EXPECT_EQ("error: Repeat error!", expand("$(cde)0"));
    EXPECT_EQ("error: Repeat error!", expand("$(cde)-1"));
    EXPECT_EQ("error: Repeat error!", expand("$(cde"));
    // The count is literal: $2 behind ) is no count, so the body runs twice.
    MMac_define(ctx, "R", "$($1)$2", 0);
    EXPECT_EQ("abab3", expand("$R(ab,3)"));
}

TEST_F(Expand, RepeatOfNothingEndsAtOnce)
{
    EXPECT_EQ("ok", expand("$($(/**/)2000000000)2000000000ok"));
}

TEST_F(Expand, Tables)
{
    MMac_defineTable(ctx, "T", "10,20,30");
    EXPECT_EQ("30", expand("$T(2)"));
    EXPECT_EQ("10", expand("$T"));
    EXPECT_EQ("10", expand("$T()"));
    EXPECT_EQ("20", expand("$T( 1 )"));
    EXPECT_EQ("20", expand("$T($(1)1)"));  // the index is expanded first
    for (const char *bad : {"$T(3)", "$T(-1)", "$T(x)", "$T(1x)"}) EXPECT_EQ("error: Table error!", expand(bad)) << bad;
    MMac_defineTable(ctx, "E", "");
    EXPECT_EQ("error: Table error!", expand("$E"));
    MMac_defineTable(ctx, "N", "-2147483648");
    EXPECT_EQ("-2147483648", expand("$N"));
}

TEST_F(Expand, SelfReferenceStopsAt128Levels)
{
    MMac_define(ctx, "A", "a$A", 0);
    EXPECT_EQ("error: Macro stack over!", expand("$A"));
    // 128 nested text macros are allowed, the 129th is not.
    for (int i = 1; i <= 129; ++i) {
        std::string name = "m", value = i < 129 ? "$m" : "end";
        name += std::to_string(i);
        if (i < 129) value += std::to_string(i + 1);
        MMac_define(ctx, name.c_str(), value.c_str(), 0);
    }
    EXPECT_EQ("end", expand("$m2"));
    EXPECT_EQ("error: Macro stack over!", expand("$m1"));
    EXPECT_EQ(0, ctx->macroNest);
}

TEST_F(Expand, DeepNestingOfArgumentsFailsCleanly)
{
    MMac_define(ctx, "W", "$1", 0);
    std::string line;
    for (int i = 0; i < 5000; ++i) line += "$W(";
    line += "x" + std::string(5000, ')');
    EXPECT_EQ("error: Macro stack over!", expand(line));
    std::string repeats;
    for (int i = 0; i < 5000; ++i) repeats += "$(";
    repeats += "x" + std::string(5000, ')');
    EXPECT_EQ("error: Macro stack over!", expand(repeats));
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

namespace {

int gSpaceSeen;
int gArgcSeen;
std::vector<std::string> gArgsSeen;

int recordCall(mmctx *, int space, char *out, int argc, char **argv)
{
    gSpaceSeen = space;
    gArgcSeen = argc;
    gArgsSeen.assign(argv, argv + argc);
    EXPECT_EQ(nullptr, argv[argc]);
    strcpy(out, "<f>");
    return 3;
}

int failCall(mmctx *ctx, int, char *, int, char **) { return MM_setErr(ctx, "generator failed"); }
int silentFail(mmctx *, int, char *, int, char **) { return -1; }
int overrun(mmctx *, int space, char *, int, char **) { return space; }

}  // namespace

TEST_F(Expand, FunctionMacrosGetRemainingSpaceAndExpandedArguments)
{
    MMac_extDefine(ctx, "f", "", MACRO_FUNC, recordCall);
    MMac_define(ctx, "P", "cde", 0);
    EXPECT_EQ("ab<f>z", expand("ab$f( $P ,\"x,y\",)z"));  // blanks behind $P go with it
    EXPECT_EQ(MM_LINE_SIZE - 2, gSpaceSeen);
    EXPECT_EQ(3, gArgcSeen);
    EXPECT_EQ((std::vector<std::string>{"cde", "x,y", ""}), gArgsSeen);
    MMac_define(ctx, "in", "12$f$f", 0);
    EXPECT_EQ("a12<f><f>", expand("a$in", 100));
    EXPECT_EQ(100 - 6, gSpaceSeen);
    EXPECT_EQ(0, gArgcSeen);
}

TEST_F(Expand, FunctionMacroFailures)
{
    MMac_extDefine(ctx, "fail", "", MACRO_FUNC, failCall);
    MMac_extDefine(ctx, "quiet", "", MACRO_FUNC, silentFail);
    MMac_extDefine(ctx, "over", "", MACRO_FUNC, overrun);
    EXPECT_EQ("error: generator failed", expand("$fail"));
    EXPECT_EQ("error: Macro function error! (quiet)", expand("$quiet"));
    EXPECT_EQ("error: Out of string space!", expand("$over"));
}

TEST_F(Expand, BuiltinGeneratorsWithoutFunctionInsertNothing)
{
    EXPECT_EQ("v", expand("v$expr(100-16)"));
    EXPECT_EQ("", expand("$chord(C)$wave$slide(1,2)$swave"));
}

TEST_F(Expand, ScriptMacroFailureHasAMessage)
{
    MMac_extDefine(ctx, "scr", "noSuchFunction", MACRO_SCRIPT, nullptr);
    std::string result = expand("$scr(1)");
    EXPECT_EQ(0u, result.rfind("error: ", 0)) << result;
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
