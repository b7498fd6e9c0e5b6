#include "base/value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/random.h"

namespace {

// The first `n` numbers of the generator after seeding with 0; leaves it seeded with 0.
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

TEST(ValueParse, FixedFormsRoundingAndWhereTheCursorStops)
{
    struct Case {
        const char *text;
        int32_t current, value, mode;
        const char *rest;
    };
    const Case cases[] = {
        {"64", 100, 64, 1, ""},        {"'-10", 100, 90, 2, ""},  {"'+10", 100, 110, 2, ""},
        {"50%", 100, 50, 4, ""},       {"'50%", 100, 150, 6, ""}, {"-50%", 100, -50, 4, ""},
        {"  ' 10 %", 100, 109, 6, ""}, {"''5", 100, 105, 2, ""},  {"10..20", 100, 10, 1, "..20"},
        {"5 c", 100, 5, 1, "c"},
        {"33%", 1000, 329, 4, ""},  // 1000 * 337 / 1024
        {"50%", -3, -1, 4, ""},     // truncated toward zero
    };
    for (const Case &k : cases) {
        Parsed p = parse(k.text, k.current);
        ASSERT_EQ(0, p.result) << k.text;
        EXPECT_EQ(k.value, p.record.value) << k.text;
        EXPECT_EQ(k.mode, p.record.mode) << k.text;
        EXPECT_EQ(k.rest, p.rest) << k.text;
    }
    for (const char *bad : {"*10", "*10..", "*10 .", "'", "*", "x", "'x", ""})
        EXPECT_EQ(-1, parse(bad).result) << bad;
}

TEST(ValueParse, RandomRanges)
{
    uint32_t r = draws(1)[0];
    Parsed p = parse("*10..20");
    EXPECT_EQ((int32_t)(10 + r % 11), p.record.value);
    EXPECT_EQ(8, p.record.mode);
    EXPECT_EQ(10, p.record.lo);
    EXPECT_EQ(20, p.record.hi);

    MM_srand(0);
    Parsed swapped = parse("* 20 .. 10 ");
    EXPECT_EQ(p.record.value, swapped.record.value);
    EXPECT_EQ(10, swapped.record.lo);

    // A single-valued range takes no draw.
    MM_srand(0);
    EXPECT_EQ(5, parse("*5..5").record.value);
    EXPECT_EQ(r, MM_rand());

    MM_srand(0);
    Parsed rel = parse("*'-5..5");
    EXPECT_EQ(10, rel.record.mode);
    EXPECT_EQ((int32_t)(100 - 5 + r % 11), rel.record.value);
    MM_srand(0);
    EXPECT_EQ(rel.record.value, parse("'*-5..5").record.value);

    // Percent ranges scale both ends: 50%..150% -> 512..1536.
    MM_srand(0);
    Parsed ratio = parse("*50..150%");
    EXPECT_EQ(12, ratio.record.mode);
    EXPECT_EQ(512, ratio.record.lo);
    EXPECT_EQ(1536, ratio.record.hi);
    EXPECT_EQ((int32_t)(100 * (512 + r % 1025) / 1024), ratio.record.value);

    // The whole 32-bit range: the draw itself is the offset from the low end.
    MM_srand(0);
    EXPECT_EQ((int32_t)((uint32_t)INT32_MIN + r), parse("*-2147483648..2147483647").record.value);
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
    mmval fixed{2, 7, 0, 0};
    EXPECT_EQ(7, MMval_get(&fixed));
    mmval zero{0, 42, 0, 0};
    EXPECT_EQ(42, MMval_get(&zero));
}

TEST(ValueApply, WrapsLike32BitRegistersAndKeepsOddModes)
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

    // A range upside down (only possible through apply) changes nothing and draws nothing.
    uint32_t r = draws(1)[0];
    v = MMval_abs(100);
    EXPECT_EQ(100, MMval_apply(&v, 10, 5, 3));
    EXPECT_EQ((std::vector<int32_t>{10, 100, 5, 3}), (std::vector<int32_t>{v.mode, v.value, v.lo, v.hi}));
    EXPECT_EQ(r, MM_rand());
    // Unknown and odd modes keep the value and store the mode.
    for (int32_t mode : {0, 3, 9, 15, 16, -1}) {
        v = MMval_abs(100);
        EXPECT_EQ(100, MMval_apply(&v, mode, 5, 6)) << mode;
        EXPECT_EQ(mode, v.mode);
    }
}

TEST(ValueItem, ItemsKeepTheirOperandsAndActOnACopyOfTheBase)
{
    std::vector<uint32_t> r = draws(3);
    const mmval base = MMval_abs(100);
    mmval item = MMval_abs(50);
    // Ratio operands are percent in 1024ths.
    const struct {
        const char *text;
        int32_t operand, value;
    } fixed[] = {{"'10", 10, 110}, {"50%", 512, 50}, {"33%", 337, 32}, {"-50%", -512, -50}, {"64", 64, 64}};
    for (const auto &k : fixed) {
        const char *cursor = k.text;
        ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
        EXPECT_EQ(k.operand, item.value) << k.text;
        EXPECT_EQ(k.value, MMval_relTo(&item, &base)) << k.text;
    }

    const char *cursor = "*'-5..5";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    // The operands are kept and nothing is drawn yet.
    EXPECT_EQ((std::vector<int32_t>{10, 64, -5, 5}), (std::vector<int32_t>{item.mode, item.value, item.lo, item.hi}));
    EXPECT_EQ(r[0], MM_rand());
    // The copy of the base takes the item's draw, then its own read draws again.
    MM_srand(0);
    EXPECT_EQ(100 + (int32_t)(r[0] % 11) - 5 + (int32_t)(r[1] % 11) - 5, MMval_relTo(&item, &base));
    EXPECT_EQ(100, base.value);

    // A plain random item is drawn at once and again when evaluated.
    MM_srand(0);
    cursor = "*1..3";
    ASSERT_EQ(0, MMval_parseItem(&item, &cursor));
    EXPECT_EQ((int32_t)(1 + r[0] % 3), item.value);
    EXPECT_EQ((int32_t)(1 + r[1] % 3), MMval_relTo(&item, &base));
}

}  // namespace
