#include "mml/value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include "mml/random.h"

namespace {

// The first `n` numbers of the generator after seeding with 0.
std::vector<uint32_t> draws(int n)
{
    MM_srand(0);
    std::vector<uint32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(MM_rand());
    MM_srand(0);
    return out;
}

struct Parsed {
    int result;
    mmval record;
    std::string rest;
};

Parsed parse(const char *text, int32_t current = 100)
{
    Parsed p{0, MMval_abs(current), ""};
    const char *cursor = text;
    p.result = MMval_parse(&p.record, &cursor);
    p.rest = cursor;
    return p;
}

}  // namespace

TEST(ValueParse, FixedForms)
{
    struct Case {
        const char *text;
        int32_t value;
        int32_t mode;
    } cases[] = {
        {"64", 64, 1}, {"'-10", 90, 2}, {"'+10", 110, 2}, {"50%", 50, 4}, {"'50%", 150, 6},
        {"-50%", -50, 4}, {"  ' 10 %", 109, 6}, {"0%", 0, 4}, {"''5", 105, 2},
    };
    for (const Case &k : cases) {
        Parsed p = parse(k.text);
        ASSERT_EQ(0, p.result) << k.text;
        EXPECT_EQ(k.value, p.record.value) << k.text;
        EXPECT_EQ(k.mode, p.record.mode) << k.text;
        EXPECT_EQ("", p.rest) << k.text;
    }
}

TEST(ValueParse, RatioOperandIsPercentIn1024ths)
{
    // 33% -> 337/1024, -50% -> -512/1024: seen through the kept operand of an item.
    mmval item = MMval_abs(0);
    const char *cursor = "33%";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(337, item.value);
    cursor = "-50%";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(-512, item.value);

    EXPECT_EQ(329, parse("33%", 1000).record.value);    // 1000 * 337 / 1024
    EXPECT_EQ(-1, parse("50%", -3).record.value);       // truncated toward zero
}

TEST(ValueParse, SyntaxErrorsAndUnreadRanges)
{
    for (const char *bad : {"*10", "*10..", "*10 .", "'", "*", "x", "'x", ""})
        EXPECT_EQ(-1, parse(bad).result) << bad;

    Parsed p = parse("10..20");
    ASSERT_EQ(0, p.result);
    EXPECT_EQ(10, p.record.value);
    EXPECT_EQ("..20", p.rest);
    EXPECT_EQ("c", parse("5 c").rest);
}

TEST(ValueParse, RandomRanges)
{
    std::vector<uint32_t> r = draws(1);
    Parsed p = parse("*10..20");
    ASSERT_EQ(0, p.result);
    EXPECT_EQ((int32_t)(10 + r[0] % 11), p.record.value);
    EXPECT_EQ(8, p.record.mode);
    EXPECT_EQ(10, p.record.lo);
    EXPECT_EQ(20, p.record.hi);

    MM_srand(0);
    Parsed swapped = parse("* 20 .. 10 ");
    EXPECT_EQ(p.record.value, swapped.record.value);
    EXPECT_EQ(10, swapped.record.lo);
    EXPECT_EQ(20, swapped.record.hi);

    // A single-valued range takes no draw.
    MM_srand(0);
    EXPECT_EQ(5, parse("*5..5").record.value);
    EXPECT_EQ(r[0], MM_rand());

    MM_srand(0);
    Parsed rel = parse("*'-5..5");
    EXPECT_EQ(10, rel.record.mode);
    EXPECT_EQ((int32_t)(100 - 5 + r[0] % 11), rel.record.value);
    MM_srand(0);
    EXPECT_EQ(rel.record.value, parse("'*-5..5").record.value);

    // Percent ranges scale both ends: 50%..150% -> 512..1536.
    MM_srand(0);
    Parsed ratio = parse("*50..150%");
    EXPECT_EQ(12, ratio.record.mode);
    EXPECT_EQ(512, ratio.record.lo);
    EXPECT_EQ(1536, ratio.record.hi);
    EXPECT_EQ((int32_t)(100 * (512 + r[0] % 1025) / 1024), ratio.record.value);
}

TEST(ValueGet, RandomRecordsDrawAtEveryRead)
{
    std::vector<uint32_t> r = draws(4);
    Parsed p = parse("*'-5..5");
    int32_t expected = 100 + (int32_t)(r[0] % 11) - 5;
    ASSERT_EQ(expected, p.record.value);
    for (int i = 1; i <= 3; ++i) {
        expected += (int32_t)(r[i] % 11) - 5;
        EXPECT_EQ(expected, MMval_get(&p.record));
        EXPECT_EQ(expected, p.record.value);
    }

    mmval fixed = MMval_abs(7);
    fixed.mode = 2;
    EXPECT_EQ(7, MMval_get(&fixed));
    mmval zero{0, 42, 0, 0};
    EXPECT_EQ(42, MMval_get(&zero));
}

TEST(ValueApply, WrapsLike32BitRegisters)
{
    mmval v = MMval_abs(INT32_MAX);
    EXPECT_EQ(INT32_MIN, MMval_apply(&v, 2, 1, 0));
    // 2^30 * 2048 wraps to 0 before the division, so '200% adds nothing.
    v = MMval_abs(1 << 30);
    EXPECT_EQ(1 << 30, MMval_apply(&v, 6, 2048, 0));
    // 3 * -2^31 wraps to -2^31.
    v = MMval_abs(3);
    EXPECT_EQ(INT32_MIN / 1024, MMval_apply(&v, 4, INT32_MIN, 0));
    // The percent scaling wraps too: 3000000 * 1024 passes 2^31.
    mmval item = MMval_abs(0);
    const char *cursor = "3000000%";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(-12229672, item.value);
}

TEST(ValueApply, RandomEdgeCases)
{
    std::vector<uint32_t> r = draws(1);
    // The whole 32-bit range: the draw itself is the offset from the low end.
    Parsed full = parse("*-2147483648..2147483647");
    ASSERT_EQ(0, full.result);
    EXPECT_EQ((int32_t)((uint32_t)INT32_MIN + r[0]), full.record.value);

    // A range upside down (only possible through apply) changes nothing and draws nothing.
    MM_srand(0);
    mmval v = MMval_abs(100);
    EXPECT_EQ(100, MMval_apply(&v, 10, 5, 3));
    EXPECT_EQ(10, v.mode);
    EXPECT_EQ(5, v.lo);
    EXPECT_EQ(3, v.hi);
    EXPECT_EQ(r[0], MM_rand());

    // Unknown and odd modes keep the value and store the mode.
    for (int32_t mode : {0, 3, 9, 15, 16, -1}) {
        v = MMval_abs(100);
        EXPECT_EQ(100, MMval_apply(&v, mode, 5, 6)) << mode;
        EXPECT_EQ(mode, v.mode);
    }
}

TEST(ValueItem, RelativeAndRatioItemsActOnTheBase)
{
    const mmval base = MMval_abs(100);
    mmval item = MMval_abs(50);
    const char *cursor = "'10";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(2, item.mode);
    EXPECT_EQ(10, item.value);
    EXPECT_EQ(110, MMval_relTo(&item, &base));
    EXPECT_EQ(100, base.value);

    cursor = "50%";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(50, MMval_relTo(&item, &base));

    cursor = "64";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(64, item.value);
    EXPECT_EQ(64, MMval_relTo(&item, &base));
}

TEST(ValueItem, RandomItemsDrawWhenEvaluated)
{
    std::vector<uint32_t> r = draws(3);
    const mmval base = MMval_abs(100);
    mmval item = MMval_abs(50);
    const char *cursor = "*'-5..5";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ(10, item.mode);
    EXPECT_EQ(50, item.value);  // operands kept, nothing drawn yet
    EXPECT_EQ(-5, item.lo);
    EXPECT_EQ(5, item.hi);
    EXPECT_EQ(r[0], MM_rand());

    // The copy of the base takes the item's draw, then its own read draws again.
    MM_srand(0);
    int32_t expected = 100 + (int32_t)(r[0] % 11) - 5 + (int32_t)(r[1] % 11) - 5;
    EXPECT_EQ(expected, MMval_relTo(&item, &base));
    EXPECT_EQ(100, base.value);
    EXPECT_EQ(50, item.value);

    // A plain random item is drawn at once and again when evaluated.
    MM_srand(0);
    cursor = "*1..3";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ((int32_t)(1 + r[0] % 3), item.value);
    EXPECT_EQ((int32_t)(1 + r[1] % 3), MMval_relTo(&item, &base));
}
