// A compiler context at its start-up values with the control track, for
// running control lines without a source file.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "decl/control.h"
#include "store/context.h"
#include "store/track.h"

class DeclTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = holder.get();
        memset(ctx, 0, sizeof *ctx);
        ctx->division = 960;
        ctx->tempo = ctx->curTempo = 500000;
        static constexpr uint8_t kSignature[4] = {4, 2, 24, 8};
        memcpy(ctx->signature, kSignature, 4);
        memcpy(ctx->curSignature, kSignature, 4);
        ctx->errMsg = ctx->errBuf;
        ASSERT_EQ(0, MMtrk_int(ctx));
    }

    void TearDown() override { MMtrk_freeAll(ctx); }

    // Runs one control line; on failure the pending message is kept in `error`.
    int line(const std::string &text)
    {
        ctx->errMsg = nullptr;
        int result = MMctl_line(ctx, text.c_str());
        error = result != 0 && ctx->errMsg ? ctx->errMsg : "";
        return result;
    }

    std::unique_ptr<mmctx> holder = std::make_unique<mmctx>();
    mmctx *ctx = nullptr;
    std::string error;
};
