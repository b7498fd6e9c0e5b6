#include "store/pattern.h"

#include "../fixture.h"

namespace {

using PatternTest = ContextTest;

// The list must read the same forwards and backwards, numbers ascending.
std::vector<int32_t> numbersOf(const PatternGroup *group)
{
    std::vector<int32_t> numbers;
    const PatternEntry *last = nullptr;
    for (const PatternEntry *e = group->first; e; e = e->next) {
        EXPECT_EQ(last, e->prev);
        numbers.push_back(e->number);
        last = e;
    }
    return numbers;
}

TEST_F(PatternTest, EntriesKeepAscendingOrderWithBothLinksAndCountInTheWorkSize)
{
    int32_t before = ctx->workSize;
    for (int32_t number : {5, 1, 9, 3, 7}) ASSERT_EQ(0, MMpat_define(ctx, "Drum", number, "c"));
    ASSERT_EQ(0, MMpat_define(ctx, "bass", 1, ""));
    const PatternGroup *group = MMpat_find(ctx, "DRUM");
    ASSERT_NE(nullptr, group);
    EXPECT_EQ(5, group->count);
    EXPECT_EQ((std::vector<int32_t>{1, 3, 5, 7, 9}), numbersOf(group));
    EXPECT_EQ(before + 2 * MM_PATTERN_GROUP_WORK + 6 * MM_PATTERN_ENTRY_WORK, ctx->workSize);

    EXPECT_EQ(-1, MMpat_define(ctx, "drum", 7, "d"));
    EXPECT_STREQ("Redefining defined pattern \"drum\" no.7 ", ctx->errMsg);
    EXPECT_EQ(5, group->count);

    MMpat_free(ctx);
    EXPECT_EQ(before, ctx->workSize);
    EXPECT_EQ(nullptr, MMpat_find(ctx, "drum"));
}

}  // namespace
