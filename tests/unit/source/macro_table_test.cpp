#include "source/macro_table.h"

#include "source_fixture.h"

using MacroTable = SourceTest;

namespace {

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

}  // namespace

TEST_F(MacroTable, InitDefinesHexNumbersAndGenerators)
{
    EXPECT_EQ(100, countMacros(ctx));
    EXPECT_EQ("160", textOf(MMac_find(ctx, "A0")));
    EXPECT_EQ("254", textOf(MMac_find(ctx, "fe")));
    EXPECT_EQ(nullptr, MMac_find(ctx, "FF"));
    EXPECT_EQ(nullptr, MMac_find(ctx, "9F"));
    EXPECT_EQ((uint32_t)MACRO_BUILTIN, MMac_find(ctx, "C7")->kind);
    for (const char *name : {"expr", "chord", "slide", "wave", "swave"}) {
        MMacRec *rec = MMac_find(ctx, name);
        ASSERT_NE(nullptr, rec) << name;
        EXPECT_EQ((uint32_t)MACRO_FUNC, rec->kind);
        EXPECT_EQ(0u, rec->size);
    }
    // Initialising again starts afresh.
    MMac_define(ctx, "extra", "1", 0);
    MMac_init(ctx);
    EXPECT_EQ(100, countMacros(ctx));
}

TEST_F(MacroTable, InitTraceIsADebugMessage)
{
    ctx->debugMsg = 1;
    testing::internal::CaptureStdout();
    MMac_init(ctx);
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStdout().find("$$$ MMac_init() Ok "));
}

TEST_F(MacroTable, BucketIsThirtyOneTimesTheLowerCaseSum)
{
    ASSERT_EQ(0, MMac_define(ctx, "Tempo", "120", 0));
    unsigned sum = 't' + 'e' + 'm' + 'p' + 'o';
    MMacRec *rec = ctx->macros[(31 * sum) % 256];
    while (rec && strcmp(rec->name, "Tempo") != 0) rec = rec->next;
    ASSERT_NE(nullptr, rec);
    EXPECT_EQ(rec, MMac_find(ctx, "TEMPO"));
    EXPECT_EQ(rec, MMac_findN(ctx, "tempo(1)", 5));
}

TEST_F(MacroTable, SameBucketAppendsInDefinitionOrder)
{
    // "xy" and "yx" have the same sum and so share a bucket.
    ASSERT_EQ(0, MMac_define(ctx, "xy", "1", 0));
    ASSERT_EQ(0, MMac_define(ctx, "yx", "2", 0));
    MMacRec *first = MMac_find(ctx, "xy");
    EXPECT_EQ(MMac_find(ctx, "yx"), first->next);
    EXPECT_EQ("2", textOf(MMac_find(ctx, "YX")));
}

TEST_F(MacroTable, DefineChecksTheName)
{
    for (const char *bad : {"", "1a", "a-b", "a b", "$a"}) {
        EXPECT_EQ(-1, MMac_define(ctx, bad, "x", 1)) << bad;
        EXPECT_EQ("Macro name must be identifier!", pending());
    }
    EXPECT_EQ(0, MMac_define(ctx, "_a1", nullptr, 0));
    EXPECT_EQ("", textOf(MMac_find(ctx, "_A1")));
}

TEST_F(MacroTable, RedefinitionNeedsPermissionAndSparesBuiltins)
{
    ASSERT_EQ(0, MMac_define(ctx, "A", "1", 0));
    EXPECT_EQ(-1, MMac_define(ctx, "a", "2", 0));
    EXPECT_EQ("Redefining defined variable \"a\"", pending());
    EXPECT_EQ(0, MMac_define(ctx, "a", "2", 1));
    EXPECT_EQ("2", textOf(MMac_find(ctx, "A")));
    EXPECT_EQ(-1, MMac_define(ctx, "A0", "x", 1));
    EXPECT_EQ("Can't undefine variable \"A0\"", pending());
    EXPECT_EQ(-1, MMac_define(ctx, "expr", "x", 1));
    EXPECT_EQ("160", textOf(MMac_find(ctx, "A0")));
}

TEST_F(MacroTable, DefinedValueLosesNestedComments)
{
    MMac_define(ctx, "c", "a/*x/*y*/z*/b */ c/* open", 0);
    EXPECT_EQ("ab */ c", textOf(MMac_find(ctx, "c")));
}

TEST_F(MacroTable, UndefRemovesOnlyUserMacros)
{
    MMac_define(ctx, "user", "1", 0);
    EXPECT_EQ(0, MMac_undef(ctx, "USER"));
    EXPECT_EQ(nullptr, MMac_find(ctx, "user"));
    EXPECT_EQ(0, MMac_undef(ctx, "user"));  // not defined: no error
    EXPECT_EQ(-1, MMac_undef(ctx, "9x"));
    EXPECT_EQ("Macro name must be identifier!", pending());
    MMac_defineTable(ctx, "tab", "1");
    for (const char *name : {"tab", "wave", "FE"}) {
        EXPECT_EQ(-1, MMac_undef(ctx, name));
        EXPECT_EQ(std::string("Can't undefine variable \"") + name + "\"", pending());
    }
}

TEST_F(MacroTable, TableItems)
{
    struct Case {
        const char *values;
        std::vector<int32_t> items;
    } cases[] = {
        {"10,20,30", {10, 20, 30}},
        {" 1 , ,3", {1, 0, 3}},
        {"1,,3", {1, 0, 3}},
        {",5", {0, 5}},
        {"-4, +7,", {-4, 7}},
        {"1 2 3", {1}},
        {"1, /* rest */ 9", {1}},
        {"7/*c*/,8", {7}},
        {"", {}},
    };
    int i = 0;
    for (const Case &c : cases) {
        std::string name = "t";
        name += std::to_string(i++);
        ASSERT_EQ(0, MMac_defineTable(ctx, name.c_str(), c.values)) << c.values;
        MMacRec *rec = MMac_find(ctx, name.c_str());
        EXPECT_EQ((uint32_t)MACRO_TABLE, rec->kind);
        EXPECT_EQ(c.items, tableOf(rec)) << c.values;
    }
}

TEST_F(MacroTable, TableErrors)
{
    EXPECT_EQ(-1, MMac_defineTable(ctx, "t", "1,x"));
    EXPECT_EQ("Table error!", pending());
    EXPECT_EQ(-1, MMac_defineTable(ctx, "t", "1,-"));
    EXPECT_EQ(-1, MMac_defineTable(ctx, "2t", "1"));
    EXPECT_EQ("Macro name must be identifier!", pending());
    EXPECT_EQ(nullptr, MMac_find(ctx, "t"));
    ASSERT_EQ(0, MMac_defineTable(ctx, "t", "1"));
    EXPECT_EQ(-1, MMac_defineTable(ctx, "T", "2"));
    EXPECT_EQ("Redefining defined variable \"T\"", pending());
}

TEST_F(MacroTable, TableHoldsAtMost511Items)
{
    std::string list = "0";
    for (int i = 1; i < 511; ++i) {
        list += ",";
        list += std::to_string(i);
    }
    ASSERT_EQ(0, MMac_defineTable(ctx, "full", list.c_str()));
    EXPECT_EQ(511 * 4u, MMac_find(ctx, "full")->size);
    EXPECT_EQ(510, tableOf(MMac_find(ctx, "full")).back());
    list += ",511";
    EXPECT_EQ(-1, MMac_defineTable(ctx, "over", list.c_str()));
    EXPECT_EQ("Over table number!", pending());
}

namespace {
int writeHello(mmctx *, int space, char *out, int, char **)
{
    if (space < 6) return -1;
    strcpy(out, "hello");
    return 5;
}
}  // namespace

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
