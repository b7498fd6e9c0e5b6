#include "import/midi_import.h"

#include <sys/stat.h>

#include "../fixture.h"
#include "base/paths.h"

namespace {

using MidiImport = ContextTest;

FILE *openPlain(mmctx *, const char *name, const char *mode) { return MM_openPath(name, mode); }

// A pipe or a device never reaches the reader: the open would block or the
// read never end. Both are refused as files that cannot be read.
TEST_F(MidiImport, OnlyPlainFilesAreRead)
{
    ScratchDir dir;
    std::string fifo = dir / "pipe.mid";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    MMimp_options options;
    MMimp_defaults(&options, true);
    for (const std::string &name : {fifo, std::string("/dev/zero"), dir.path}) {
        ctx->errMsg = nullptr;
        EXPECT_EQ(-1, MMimp_readFile(ctx, ctx->ctrlTrack, name.c_str(), options, openPlain)) << name;
        EXPECT_EQ("Track data import file error! (" + name + ")", pending());
    }
}

// The reader takes nothing from outside its buffer: each cut of a good file
// short of its end fails cleanly, and the whole file succeeds.
TEST_F(MidiImport, EveryTruncationFails)
{
    const std::string file = fileText(QORAL_TEST_DATA "/../songs/import/include/multi.mid");
    ASSERT_FALSE(file.empty());
    ASSERT_EQ(0, MMtrk_create(ctx, 1, "in", 0, 1));
    mmtrk *track = MMtrk_findNo(ctx, 1);
    MMimp_options options;
    MMimp_defaults(&options, false);
    for (size_t size = 0; size < file.size(); ++size) {
        std::vector<uint8_t> bytes(file.begin(), file.begin() + (std::ptrdiff_t)size);
        EXPECT_EQ(-1, MMimp_readBytes(ctx, track, bytes.data(), bytes.size(), options)) << size;
    }
    std::vector<uint8_t> whole(file.begin(), file.end());
    EXPECT_EQ(0, MMimp_readBytes(ctx, track, whole.data(), whole.size(), options)) << pending();
}

}  // namespace
