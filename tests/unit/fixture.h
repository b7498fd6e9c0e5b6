// The set-up the unit tests share: the one compiler context MM_ctx brought to
// the values the compile start-up gives it, readable copies of event lists,
// and scratch folders. The fuzz harness uses resetContext() alone.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/message_table.h"
#include "base/messages.h"
#include "base/random.h"
#include "driver/finish.h"
#include "driver/startup.h"
#include "mml/mml_line.h"
#include "source/expand.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "store/event.h"
#include "store/track.h"

// Releases all MM_ctx holds and starts it afresh as the compile start-up does:
// defaults, the generator seeded with 0, the macro table and "CTRL". 0 or -1.
inline int resetContext()
{
    mmctx *ctx = &MM_ctx;
    MM_closeFiles();
    MM_releaseAll();
    memset((void *)ctx, 0, sizeof *ctx);
    MM_contextDefaults(ctx);
    ctx->console = 1;
    ctx->lineClean = 1;
    MM_srand(0);
    MM_msgReset();
    MM_setLanguage(0);
    if (MMac_init(ctx) < 0) return -1;
    return MMtrk_int(ctx);
}

using Bytes = std::vector<uint8_t>;

struct StoredEvent {
    uint32_t clock;
    Bytes bytes;
    bool operator==(const StoredEvent &) const = default;
};

// The track's records in time order.
inline std::vector<StoredEvent> eventsOf(mmtrk *track)
{
    std::vector<StoredEvent> events;
    EXPECT_TRUE(MMevt_order(track));
    for (const mmevt *e : MMevt_records(track)) events.push_back({e->clock, Bytes(e->data(), e->data() + e->length())});
    return events;
}

// The velocities of the track's note-ons, note-offs (velocity 0) left out.
inline std::vector<int> noteVelocities(mmtrk *track)
{
    std::vector<int> velocities;
    for (const StoredEvent &e : eventsOf(track))
        if ((e.bytes[0] & 0xf0) == 0x90 && e.bytes[2] != 0) velocities.push_back(e.bytes[2]);
    return velocities;
}

// A record holding exactly these bytes, past every filter.
inline void raw(mmtrk *track, uint32_t clock, const Bytes &bytes)
{
    ASSERT_EQ(0, MMevt_stopEncoding(track));
    mmevt *e = MMevt_alloc(track, clock, (uint32_t)bytes.size());
    ASSERT_NE(nullptr, e);
    std::copy(bytes.begin(), bytes.end(), e->data());
    if (clock > track->maxClock) track->maxClock = clock;
    track->thinnable = true;   // as the writers mark a track that may hold repeats
}

// A fresh folder, removed with all it holds.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = std::filesystem::temp_directory_path() / "qoral_test_XXXXXX";
        path = mkdtemp(pattern.data()) ? pattern : "";
        EXPECT_NE("", path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    std::string operator/(const std::string &name) const { return path + "/" + name; }

    std::string write(const std::string &name, const std::string &text) const
    {
        std::filesystem::path file = *this / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }

    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto &entry : std::filesystem::directory_iterator(path)) found.push_back(entry.path().filename());
        return found;
    }

    std::string path;
};

inline std::string fileText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each test starts from a freshly reset MM_ctx, which fatal reports also read.
class ContextTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(0, resetContext()); }
    void TearDown() override
    {
        MM_closeFiles();
        MM_releaseAll();
        MM_setLanguage(0);
    }

    mmtrk *track(uint32_t number, const char *name, uint32_t channel = 0)
    {
        EXPECT_EQ(0, MMtrk_create(ctx, number, name, 0, channel));
        return MMtrk_findNo(ctx, number);
    }

    std::string pending() const { return ctx->errMsg ? ctx->errMsg : ""; }

    // Work-file mode, with the work files in `folder`.
    void useWorkFiles(const std::string &folder)
    {
        ctx->workMode = 1;
        snprintf(ctx->workPath, sizeof ctx->workPath, "%s/", folder.c_str());
    }

    // Runs one MML line; "" when it succeeds, else its message.
    std::string mml(const std::string &text)
    {
        mmlLine = text;
        ctx->errMsg = ctx->errPoint = nullptr;
        if (MMmml_line(ctx, mmlLine.c_str()) == 0) return "";
        return ctx->errMsg ? ctx->errMsg : "(no message)";
    }
    // Where the failing command of the last MML line pointed, to the line's end.
    std::string errorPoint() const { return ctx->errPoint ? ctx->errPoint : "(none)"; }

    // Runs code that must stop fatally; gives what the report printed.
    template <typename F> std::string fatal(F &&body)
    {
        testing::internal::CaptureStdout();
        try {
            body();
        } catch (const MMabort &stop) {
            EXPECT_EQ(1, stop.status);
            return testing::internal::GetCapturedStdout();
        }
        testing::internal::GetCapturedStdout();
        return "(no abort)";
    }

    mmctx *ctx = &MM_ctx;
    std::string mmlLine;
};

// Source files are written to a scratch folder that is the working folder
// while the test runs.
class SourceTest : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(dir.path);
    }
    void TearDown() override
    {
        ContextTest::TearDown();
        std::filesystem::current_path(oldCwd);
    }

    void write(const std::string &name, const std::string &text) { dir.write(name, text); }

    // Expands text as a source line (no macro arguments), or gives
    // "error: " and the pending message.
    std::string expand(const std::string &text, int space = MM_LINE_SIZE)
    {
        ctx->errMsg = nullptr;
        ctx->macroNest = 0;
        std::string out((size_t)space + 1, '\0');
        int n = MMcpp_expand(ctx, space, out.data(), text.c_str(), -1, nullptr);
        if (n < 0) return "error: " + pending();
        EXPECT_EQ((size_t)n, strlen(out.c_str()));
        out.resize((size_t)n);
        return out;
    }

    struct Reading {
        std::string lines;    // the lines returned, one a line
        std::string printed;  // the error report
    };

    // Reads a main source to its end the way the driver does; an error is
    // reported (with file name and line) into `printed`.
    Reading readAll(const std::string &mainName)
    {
        Reading r;
        r.printed = fatal([&] {
            ctx->errMsg = nullptr;
            if (MMcpp_open(ctx, mainName.c_str()) < 0) MM_errorReport();
            for (;;) {
                ctx->errMsg = nullptr;
                char *line = MMcpp_getLine(ctx);
                if (!line) break;
                r.lines += line;
                r.lines += '\n';
            }
            if (ctx->errMsg) MM_errorReport();
        });
        if (r.printed == "(no abort)") r.printed = "";
        return r;
    }

    // The lines of a main source of this text, then what an error printed.
    std::string linesOf(const std::string &mainName, const std::string &text)
    {
        write(mainName, text);
        Reading r = readAll(mainName);
        return r.lines + r.printed;
    }

    ScratchDir dir;
    std::filesystem::path oldCwd;
};
