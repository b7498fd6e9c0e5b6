#include "gen/expr.h"

#include <string>

#include "../fixture.h"

namespace {

// What songs show poorly: the expander hands a generator at most 511
// characters, too few to reach the nesting limit; the songs see one message
// for every evaluator error; and a value that just fits would need a song
// line of 16K characters.
TEST(ExprEval, NestingIsBounded)
{
    int32_t value = 0;
    auto nested = [](int depth) { return std::string(depth, '(') + "7" + std::string(depth, ')'); };
    EXPECT_EQ(MMEXPR_OK, MMgen_exprEval(nested(MMEXPR_MAX_NESTING).c_str(), &value));
    EXPECT_EQ(7, value);
    EXPECT_EQ(MMEXPR_TOO_DEEP, MMgen_exprEval(nested(MMEXPR_MAX_NESTING + 1).c_str(), &value));
    EXPECT_EQ(MMEXPR_TOO_DEEP, MMgen_exprEval(std::string(100000, '(').c_str(), &value));
    // Sequential parentheses do not add up.
    std::string flat;
    for (int i = 0; i < MMEXPR_MAX_NESTING * 2; ++i) flat += "(1)+";
    flat += "0";
    EXPECT_EQ(MMEXPR_OK, MMgen_exprEval(flat.c_str(), &value));
    EXPECT_EQ(MMEXPR_MAX_NESTING * 2, value);
}

TEST(ExprEval, ErrorCodes)
{
    int32_t value = 0;
    EXPECT_EQ(MMEXPR_NO_CLOSE, MMgen_exprEval("(1+2", &value));
    EXPECT_EQ(MMEXPR_NO_OPERAND, MMgen_exprEval("", &value));
    EXPECT_EQ(MMEXPR_NO_OPERAND, MMgen_exprEval("~-1", &value));
    EXPECT_EQ(MMEXPR_SINGLE_SHIFT, MMgen_exprEval("1>", &value));
    EXPECT_EQ(MMEXPR_DIV_ZERO, MMgen_exprEval("1%0", &value));
}

TEST(ExprGenerator, ValueMustFitBeforeTheNul)
{
    ASSERT_EQ(0, resetContext());
    mmctx *ctx = &MM_ctx;
    char text[] = "-2147483647-1";
    char *argv[] = {text, nullptr};
    char out[16];
    memset(out, 'x', sizeof out);
    EXPECT_EQ(11, MMgen_expr(ctx, 12, out, 1, argv));
    EXPECT_STREQ("-2147483648", out);
    EXPECT_STREQ("-2147483647-1", text);
    ctx->errMsg = nullptr;
    EXPECT_EQ(-1, MMgen_expr(ctx, 11, out, 1, argv));
    EXPECT_STREQ("Out of string space!", ctx->errMsg);
    EXPECT_EQ(-1, MMgen_expr(ctx, 12, out, 0, argv));
    EXPECT_STREQ("Expression error!", ctx->errMsg);
}

}  // namespace
