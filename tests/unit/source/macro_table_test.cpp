#include "source/macro_table.h"

#include "../fixture.h"

namespace {

using MacroTable = SourceTest;

int countMacros(mmctx *ctx)
{
    int n = 0;
    for (MMacRec *head : ctx->macros)
        for (MMacRec *rec = head; rec; rec = rec->next) ++n;
    return n;
}

std::string textOf(MMacRec *rec) { return rec ? std::string(static_cast<char *>(rec->value), rec->size) : "(none)"; }

std::vector<int32_t> tableOf(MMacRec *rec)
{
    auto *items = static_cast<int32_t *>(rec->value);
    return std::vector<int32_t>(items, items + rec->size / 4);
}

TEST_F(MacroTable, InitStartsAfreshWithHexNumbersAndGenerators)
{
    MMac_define(ctx, "extra", "1", 0);
    ctx->debugMsg = 1;
    testing::internal::CaptureStdout();
    MMac_init(ctx);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("$$$ MMac_init() Ok "));
    EXPECT_EQ(100, countMacros(ctx));  // A0..FE and five generators
    EXPECT_EQ(nullptr, MMac_find(ctx, "9F"));
    EXPECT_EQ((uint32_t)MACRO_BUILTIN, MMac_find(ctx, "C7")->kind);
    EXPECT_EQ((uint32_t)MACRO_FUNC, MMac_find(ctx, "swave")->kind);
}

// The directive tests show the name checks and the redefinition messages.
TEST_F(MacroTable, DefineRedefineAndUndef)
{
    // "xy" and "yx" have the same sum of letters and so share a bucket.
    ASSERT_EQ(0, MMac_define(ctx, "xy", "1", 0));
    ASSERT_EQ(0, MMac_define(ctx, "yx", "2", 0));
    EXPECT_EQ(-1, MMac_define(ctx, "a b", "x", 1));
    EXPECT_EQ("Macro name must be identifier!", pending());
    EXPECT_EQ(0, MMac_define(ctx, "_a1", nullptr, 0));
    EXPECT_EQ("", textOf(MMac_find(ctx, "_A1")));
    EXPECT_EQ(0, MMac_define(ctx, "XY", "3", 1));
    EXPECT_EQ("3", textOf(MMac_find(ctx, "xy")));

    EXPECT_EQ(0, MMac_undef(ctx, "XY"));
    EXPECT_EQ(nullptr, MMac_find(ctx, "xy"));
    EXPECT_EQ("2", textOf(MMac_find(ctx, "yx")));
    EXPECT_EQ(0, MMac_undef(ctx, "xy"));  // not defined: no error
    MMac_defineTable(ctx, "tab", "1");
    for (const char *name : {"tab", "wave", "FE"}) {
        EXPECT_EQ(-1, MMac_undef(ctx, name));
        EXPECT_EQ(std::string("Can't undefine variable \"") + name + "\"", pending());
    }
}

TEST_F(MacroTable, TableItems)
{
    const std::pair<const char *, std::vector<int32_t>> cases[] = {
        {" 1 , ,3", {1, 0, 3}}, {",5", {0, 5}},     {"-4, +7,", {-4, 7}}, {"1 2 3", {1}},
        {"1, /* rest */ 9", {1}}, {"7/*c*/,8", {7}}, {"", {}},
    };
    int i = 0;
    for (const auto &[values, items] : cases) {
        char name[16];
        snprintf(name, sizeof name, "t%d", i++);
        ASSERT_EQ(0, MMac_defineTable(ctx, name, values)) << values;
        MMacRec *rec = MMac_find(ctx, name);
        EXPECT_EQ((uint32_t)MACRO_TABLE, rec->kind);
        EXPECT_EQ(items, tableOf(rec)) << values;
    }
    EXPECT_EQ(-1, MMac_defineTable(ctx, "t", "1,-"));
    EXPECT_EQ("Table error!", pending());
    EXPECT_EQ(nullptr, MMac_find(ctx, "t"));
}

TEST_F(MacroTable, TableHoldsAtMost511Items)
{
    std::string list = "0";
    for (int i = 1; i < 511; ++i) list.append(",").append(std::to_string(i));
    ASSERT_EQ(0, MMac_defineTable(ctx, "full", list.c_str()));
    EXPECT_EQ(511 * 4u, MMac_find(ctx, "full")->size);
    EXPECT_EQ(510, tableOf(MMac_find(ctx, "full")).back());
    list += ",511";
    EXPECT_EQ(-1, MMac_defineTable(ctx, "over", list.c_str()));
    EXPECT_EQ("Over table number!", pending());
}

int writeHello(mmctx *, int, char *out, int, char **)
{
    strcpy(out, "hello");
    return 5;
}

TEST_F(MacroTable, ExtDefineTakesAnyKindButNeverReplaces)
{
    EXPECT_EQ(0, MMac_extDefine(ctx, "d", "c4", MACRO_TEXT, nullptr));
    EXPECT_EQ(-1, MMac_extDefine(ctx, "D", "e4", MACRO_TEXT, nullptr));
    EXPECT_EQ("Redefining defined variable \"D\"", pending());
    EXPECT_EQ(0, MMac_extDefine(ctx, "hi", nullptr, MACRO_FUNC, writeHello));
    EXPECT_EQ(writeHello, MMac_find(ctx, "hi")->func);
    EXPECT_EQ(0, MMac_extDefine(ctx, "tb", "4,5", MACRO_TABLE, nullptr));
    EXPECT_EQ((std::vector<int32_t>{4, 5}), tableOf(MMac_find(ctx, "tb")));
    EXPECT_EQ(0, MMac_extDefine(ctx, "sc", "myFunc", MACRO_SCRIPT, nullptr));
    EXPECT_EQ("myFunc", textOf(MMac_find(ctx, "sc")));
    EXPECT_EQ(-1, MMac_extDefine(ctx, "k", "", 5, nullptr));
    EXPECT_EQ(-1, MMac_extDefine(ctx, "k k", "", MACRO_TEXT, nullptr));
    EXPECT_EQ(nullptr, MMac_find(ctx, "k"));
    EXPECT_EQ(-1, MMac_undef(ctx, "sc"));
}

TEST(MacroSubst, ReplacesEveryEqualsSignOrAppends)
{
    char out[64];
    EXPECT_EQ(11, MMac_subst(out, "E=,=x", -120));
    EXPECT_STREQ("E-120,-120x", out);
    EXPECT_EQ(4, MMac_subst(out, "v", 100));
    EXPECT_STREQ("v100", out);
    EXPECT_EQ(1, MMac_subst(out, "", 0));
    EXPECT_STREQ("0", out);
}

}  // namespace
