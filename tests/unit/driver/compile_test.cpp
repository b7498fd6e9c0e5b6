#include "driver/compile.h"

#include <cstdlib>
#include <new>

#include "../fixture.h"
#include "driver/options.h"

// Requests of at least this many bytes fail while it is not 0. The unit-test
// program replaces the global allocator (every plain form, so that each
// allocation meets its own release) so that a run can be made to fail in the
// middle, as it would on a machine out of memory.
static std::size_t gFailFrom = 0;

static void *allocate(std::size_t size)
{
    if (gFailFrom && size >= gFailFrom) return nullptr;
    return malloc(size ? size : 1);
}

void *operator new(std::size_t size)
{
    if (void *p = allocate(size)) return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t size) { return operator new(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return allocate(size); }

// The pairs are malloc and free underneath, which the compiler cannot see
// from a call site.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void *p) noexcept { free(p); }
void operator delete[](void *p) noexcept { free(p); }
void operator delete(void *p, std::size_t) noexcept { free(p); }
void operator delete[](void *p, std::size_t) noexcept { free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { free(p); }
#pragma GCC diagnostic pop

namespace {

class OutOfMemory : public SourceTest, public testing::WithParamInterface<const char *> {
protected:
    void TearDown() override
    {
        gFailFrom = 0;
        MM_resetSettings();
        SourceTest::TearDown();
    }
};

// A song whose one track makes a chunk of some hundred kilobytes: the
// writer's buffer for it is the first request large enough to fail.
TEST_P(OutOfMemory, InTheWriterKeepsThePreviousFileAndExitsWithOne)
{
    std::string song = ".track 1 macro:a ch:1\n";
    for (int i = 0; i < 4; ++i) song += "a(1) = l64 $(cdefgab)2000\n";
    write("big.mml", song);
    write("big.mid", "the previous file");
    std::filesystem::create_directory("work");
    snprintf(MM_settings.progDir, sizeof MM_settings.progDir, "%s/", QORAL_SOURCE_DIR);
    std::vector<std::string> args = {"qoral", "-workMode", GetParam(), "-workPath", "work/", "big.mml"};
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    MM_releaseAll();  // the run starts from nothing, as a fresh process does
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();  // the progress lines
    gFailFrom = 64 * 1024;
    int status = MM_run((int)args.size(), argv.data());
    gFailFrom = 0;
    testing::internal::GetCapturedStderr();
    std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(1, status);
    EXPECT_NE(std::string::npos, printed.find("output filename \"big.mid\"")) << printed;
    EXPECT_NE(std::string::npos, printed.find("Out of memory!")) << printed;
    EXPECT_EQ("the previous file", fileText("big.mid"));
    for (const auto &entry : std::filesystem::directory_iterator("."))
        EXPECT_NE('.', entry.path().filename().string()[0]) << "temporary file left: " << entry.path();
    EXPECT_TRUE(std::filesystem::is_empty("work"));
}

INSTANTIATE_TEST_SUITE_P(WorkModes, OutOfMemory, testing::Values("memory", "file"));

}  // namespace
