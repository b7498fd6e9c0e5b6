// Shared set-up for the source reader tests: a fresh compiler context with
// the macro table initialised, and source files written to a scratch folder.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/messages.h"
#include "source/macro_table.h"
#include "source/reader.h"

// Uses the one context MM_ctx, which fatal reports read.
class SourceTest : public ::testing::Test {
protected:
    mmctx *ctx = &MM_ctx;
    std::filesystem::path dir;
    std::filesystem::path oldCwd;

    void SetUp() override
    {
        MMcpp_closeAll(ctx);
        MMac_free(ctx);
        memset(ctx, 0, sizeof *ctx);
        MMac_init(ctx);
        oldCwd = std::filesystem::current_path();
        char pattern[] = "/tmp/qoral_source_XXXXXX";
        dir = mkdtemp(pattern);
        std::filesystem::current_path(dir);
    }

    void TearDown() override
    {
        MMcpp_closeAll(ctx);
        MMac_free(ctx);
        std::filesystem::current_path(oldCwd);
        std::filesystem::remove_all(dir);
    }

    void write(const std::string &name, const std::string &text)
    {
        std::filesystem::path path = dir / name;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    // Expands text as a source line (no macro arguments), or gives
    // "error: " and the pending message.
    std::string expand(const std::string &text, int space = MM_LINE_SIZE)
    {
        ctx->errMsg = nullptr;
        ctx->macroNest = 0;
        std::string out((size_t)space + 1, '\0');
        int n = MMcpp_expand(ctx, space, out.data(), text.c_str(), -1, nullptr);
        if (n < 0) return std::string("error: ") + (ctx->errMsg ? ctx->errMsg : "(none)");
        EXPECT_EQ((size_t)n, strlen(out.c_str()));
        out.resize((size_t)n);
        return out;
    }

    // Runs MM_errorReport's path: the fatal message, or "" when none came.
    template <typename F> std::string fatal(F &&body)
    {
        ctx->lineClean = 1;
        testing::internal::CaptureStdout();
        try {
            body();
        } catch (const MMabort &) {
            return testing::internal::GetCapturedStdout();
        }
        testing::internal::GetCapturedStdout();
        return "";
    }

    std::string pending() const { return ctx->errMsg ? ctx->errMsg : ""; }

    struct Reading {
        std::string lines;    // the lines returned, one a line
        std::string printed;  // echoes and the error report
    };

    // Reads a main source to its end the way the driver does; an error is
    // reported (with file name and line) into `printed`.
    Reading readAll(const std::string &mainName)
    {
        Reading r;
        ctx->console = 1;
        ctx->lineClean = 1;
        testing::internal::CaptureStdout();
        try {
            ctx->errMsg = nullptr;
            if (MMcpp_open(ctx, mainName.c_str()) < 0) MM_errorReport();
            for (;;) {
                ctx->errMsg = nullptr;
                char *line = MMcpp_getLine(ctx);
                if (!line) {
                    if (ctx->errMsg) MM_errorReport();
                    break;
                }
                r.lines += line;
                r.lines += '\n';
            }
        } catch (const MMabort &) {
        }
        r.printed = testing::internal::GetCapturedStdout();
        return r;
    }

    std::string linesOf(const std::string &mainName, const std::string &text)
    {
        write(mainName, text);
        Reading r = readAll(mainName);
        return r.lines + r.printed;
    }
};
