#include "output/dump.h"

#include <unistd.h>

#include "../fixture.h"
#include "store/event_writers.h"
#include "store/work.h"

namespace {

class DumpTest : public ContextTest {
protected:
    std::string listing()
    {
        testing::internal::CaptureStdout();
        MM_dumpListing(ctx);
        return testing::internal::GetCapturedStdout();
    }
};

// Records an imported file may hold and the compiler never writes: a tempo
// of 0, a signature of no beats, records cut short. They list without a
// division by zero, a measure that never ends, or a read past the record.
TEST_F(DumpTest, RecordsNoWriterMakesListSafely)
{
    ctx->division = 480;
    raw(ctx->ctrlTrack, 0, {0xFF, 0x51, 0x03, 0, 0, 0});
    raw(ctx->ctrlTrack, 1920, {0xFF, 0x58, 0x04, 0, 2, 24, 8});
    raw(ctx->ctrlTrack, 3840, {0xFF, 0x51});
    mmtrk *t = track(1, "one");
    raw(t, 100000, {0x90});
    raw(t, 200000, {0xF0});
    std::string text = listing();
    EXPECT_NE(std::string::npos, text.find("|   1|    1:    0|--| Tempo                (       0 msec)   0 |\n"));
    EXPECT_NE(std::string::npos, text.find("|   2|    1:    0|--| Signature                           0/4  |\n"));
    EXPECT_NE(std::string::npos, text.find("|   2|    1:    0|--| Tempo                (       0 msec)   0 |\n"));
    // A measure of no length holds the rest of the song.
    EXPECT_NE(std::string::npos, text.find("|   2|    1:  160| 1| Note off               C -1 (  0) vel:  0 |\n"));
    EXPECT_NE(std::string::npos, text.find("|   2|    1:  320|--| System exclusive message                 |\n"));
}

// In file mode each track is read back for its listing and released again;
// a track whose work file is damaged is left out and the others are listed.
TEST_F(DumpTest, WorkFilesAreLoadedAndReleased)
{
    ScratchDir dir;
    useWorkFiles(dir.path);
    ctx->division = 480;
    mmtrk *one = track(1, "one");
    mmtrk *two = track(2, "two", 1);
    ASSERT_EQ(0, MMevt_signature(ctx->ctrlTrack, 0, ctx->signature));
    const uint8_t threeFour[4] = {3, 2, 24, 8};
    ASSERT_EQ(0, MMevt_signature(ctx->ctrlTrack, 1920, threeFour));
    ASSERT_EQ(0, MMevt_noteOn(one, 3360, 0, 60, 100));
    ASSERT_EQ(0, MMevt_noteOn(two, 0, 1, 62, 100));
    ASSERT_EQ(0, MMevt_noteOn(two, 1920, 1, 64, 100));
    MMwork_close(one);
    ASSERT_EQ(0, truncate(one->workName, 6));
    int32_t workSize = ctx->workSize;
    std::string text = listing();
    EXPECT_EQ(std::string::npos, text.find("Track    1"));
    EXPECT_NE(std::string::npos, text.find("    Track    2 : ch. 2 \n"));
    // The signature at 1920 reaches track 2 though the control track was
    // released after its own listing.
    EXPECT_NE(std::string::npos, text.find("|   2|    1:    0|--| Signature                           3/4  |\n"));
    EXPECT_NE(std::string::npos, text.find("|   2|    1:    0| 2| Note on                E 4 ( 64) vel:100 |\n"));
    EXPECT_EQ(workSize, ctx->workSize);
    for (mmtrk *t : {ctx->ctrlTrack, one, two}) EXPECT_TRUE(MMevt_none(t));
    MMtrk_freeAll(ctx);
}

}  // namespace
