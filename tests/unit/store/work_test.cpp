#include "store/work.h"

#include <fcntl.h>
#include <sys/resource.h>

#include <csignal>

#include "../fixture.h"
#include "store/event_writers.h"

namespace {

class WorkTest : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        useWorkFiles(dir.path);
    }
    void TearDown() override
    {
        MMtrk_freeAll(ctx);
        EXPECT_EQ(std::vector<std::string>{}, dir.names()) << "work files left behind";
        ContextTest::TearDown();
    }

    mmtrk *numbered(uint32_t n)
    {
        char name[16];
        snprintf(name, sizeof name, "t%u", n);
        return track(n, name);
    }

    std::vector<StoredEvent> loaded(mmtrk *t)
    {
        EXPECT_EQ(0, MMwork_load(t));
        std::vector<StoredEvent> events = eventsOf(t);
        MMevt_freeAll(t);
        return events;
    }

    // Runs code that must stop fatally with this message. The report is not
    // captured: capturing writes a file, which the full-disk test cannot.
    template <typename F> void expectFatal(const std::string &message, F &&body)
    {
        try {
            body();
            ADD_FAILURE() << "no abort";
        } catch (const MMabort &stop) {
            EXPECT_EQ(1, stop.status);
        }
        ASSERT_NE(nullptr, ctx->errMsg);
        EXPECT_EQ(0u, std::string(ctx->errMsg).rfind(message, 0)) << ctx->errMsg;
    }

    ScratchDir dir;
};

// Records leave memory for the file and come back in time order, with their
// work size.
TEST_F(WorkTest, RecordsAreClockLengthBytesLittleEndian)
{
    mmtrk *t = track(1, "piano");
    int32_t tracksOnly = ctx->workSize;
    ASSERT_EQ(0, MMevt_noteOn(t, 0x01020304, 2, 60, 100));
    ASSERT_EQ(0, MMevt_text(t, 5, "ab"));
    EXPECT_TRUE(MMevt_none(t));
    EXPECT_EQ(tracksOnly, ctx->workSize);
    ASSERT_EQ(0, MMwork_close(t));
    EXPECT_EQ(dir / "_qv00000.)0(", t->workName);
    EXPECT_EQ(std::string("\x04\x03\x02\x01\x03\0\0\0\x92\x3c\x64"
                          "\x05\0\0\0\x04\0\0\0\xff\x01"
                          "ab",
                          23),
              fileText(t->workName));

    Bytes sysex(600, 0x55);  // a long record, in its own block once loaded
    ASSERT_EQ(0, MMevt_sysex(t, 5, (uint32_t)sysex.size(), sysex.data()));
    ASSERT_EQ(0, MMwork_load(t));
    std::vector<StoredEvent> events = eventsOf(t);
    ASSERT_EQ(3u, events.size());
    EXPECT_EQ((StoredEvent{5, {0xff, 0x01, 'a', 'b'}}), events[0]);
    EXPECT_EQ(602u, events[1].bytes.size());
    EXPECT_EQ(0x01020304u, events[2].clock);
    EXPECT_EQ(tracksOnly + 3 * MM_EVENT_WORK + 3 + 4 + 602, ctx->workSize);
    MMevt_freeAll(t);
}

TEST_F(WorkTest, NinthTrackEvictsStreamNamedByCounter)
{
    std::vector<mmtrk *> tracks;
    for (uint32_t n = 1; n <= 9; ++n) tracks.push_back(numbered(n));
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(0, MMevt_noteOn(tracks[i], 0, 0, 60, 100));
        EXPECT_EQ(tracks[i], ctx->workSlots[i]);
    }
    ASSERT_EQ(0, MMevt_noteOn(tracks[8], 0, 0, 61, 100));
    EXPECT_EQ(tracks[8], ctx->workSlots[0]);
    EXPECT_EQ(nullptr, tracks[0]->workFp);
    EXPECT_EQ(9u, ctx->workCounter);

    // The evicted track reopens its file for appending in the next slot's place.
    ASSERT_EQ(0, MMevt_noteOn(tracks[0], 10, 0, 62, 100));
    EXPECT_EQ(tracks[0], ctx->workSlots[1]);
    EXPECT_EQ(nullptr, tracks[1]->workFp);
    EXPECT_EQ((std::vector<StoredEvent>{{0, {0x90, 60, 100}}, {10, {0x90, 62, 100}}}), loaded(tracks[0]));
    EXPECT_EQ((std::vector<StoredEvent>{{0, {0x90, 61, 100}}}), loaded(tracks[8]));
    EXPECT_EQ(9u, dir.names().size());
}

TEST_F(WorkTest, TruncatedFileFailsWithEofEncountered)
{
    mmtrk *t = track(1, "piano");
    for (uint32_t clock = 0; clock < 3; ++clock) ASSERT_EQ(0, MMevt_noteOn(t, clock, 0, 60, 100));
    ASSERT_EQ(0, MMwork_close(t));
    ASSERT_EQ(33u, fileText(t->workName).size());  // three records of 8 + 3 bytes
    // Cut inside the third record's bytes, after its clock, inside its clock.
    for (off_t size : {30, 26, 24}) {
        ASSERT_EQ(0, truncate(t->workName, size));
        ctx->errMsg = nullptr;
        EXPECT_EQ(-1, MMwork_load(t)) << size;
        EXPECT_STREQ("EOF encountered", ctx->errMsg);
        EXPECT_EQ(nullptr, t->workFp);
        EXPECT_EQ(2u, eventsOf(t).size());  // the whole records stay for the caller to free
        MMevt_freeAll(t);
    }
    ASSERT_EQ(0, truncate(t->workName, 22));  // exactly between records
    ctx->errMsg = nullptr;
    EXPECT_EQ(2u, loaded(t).size());
    EXPECT_EQ(nullptr, ctx->errMsg);
}

TEST_F(WorkTest, ExistingFilesAreSkippedAndKept)
{
    for (int n = 0; n < 4; ++n) dir.write("_qv0000" + std::to_string(n) + ".)0(", "someone else's");
    mmtrk *t = track(1, "piano");
    ASSERT_EQ(0, MMevt_noteOn(t, 0, 0, 60, 100));
    EXPECT_EQ(dir / "_qv00004.)0(", t->workName);
    EXPECT_EQ(1u, loaded(t).size());
    MMtrk_freeAll(ctx);
    EXPECT_EQ(4u, dir.names().size());
    for (const std::string &name : dir.names()) unlink((dir / name).c_str());
}

TEST_F(WorkTest, SaveWritesTheListBack)
{
    mmtrk *t = track(1, "piano");
    for (uint32_t clock : {30u, 10u, 20u, 10u}) ASSERT_EQ(0, MMevt_noteOn(t, clock, 0, 60 + (int)clock, 100));
    ASSERT_EQ(0, MMwork_load(t));
    ASSERT_TRUE(MMevt_order(t));
    for (mmevt *e : MMevt_records(t))  // drop one record, as the optimiser does
        if (e->clock == 20) MMevt_free(t, e);
    std::vector<StoredEvent> kept = eventsOf(t);
    ASSERT_EQ(0, MMwork_save(t));
    EXPECT_TRUE(MMevt_none(t));
    EXPECT_EQ(kept, loaded(t));
}

TEST_F(WorkTest, MissingWorkDirectoryIsFatal)
{
    snprintf(ctx->workPath, sizeof ctx->workPath, "%s/missing/", dir.path.c_str());
    mmtrk *t = track(1, "piano");
    expectFatal(std::string(ctx->workPath) + "_qv00000.)0( : File open error! (No such file or directory)",
                [&] { MMevt_noteOn(t, 0, 0, 60, 100); });
}

// Each search goes on from the name taken last; with every name taken, the
// report says so and names the folder.
TEST_F(WorkTest, NamesAreSearchedOnFromTheLastAndAllTakenIsFatal)
{
    mmtrk *a = track(1, "a");
    ASSERT_EQ(0, MMevt_noteOn(a, 0, 0, 60, 100));
    unlink(a->workName);  // free again, but behind the search
    mmtrk *b = track(2, "b");
    ASSERT_EQ(0, MMevt_noteOn(b, 0, 0, 60, 100));
    EXPECT_EQ(dir / "_qv00001.)0(", b->workName);
    MMtrk_freeAll(ctx);
    ASSERT_EQ(0, MMtrk_int(ctx));
    for (unsigned n = 0; n < MM_WORK_FILES; ++n) {
        char name[32];
        snprintf(name, sizeof name, "_qv%05u.)0(", n);
        dir.write(name, "");
    }
    mmtrk *t = track(3, "c");
    expectFatal(std::string(ctx->workPath) + " : File open error! (all 10000 work-file names are taken in this folder)",
                [&] { MMevt_noteOn(t, 0, 0, 60, 100); });
    for (const std::string &name : dir.names()) unlink((dir / name).c_str());
}

// Lowers a resource limit for one test and puts it back.
class LimitGuard {
public:
    LimitGuard(int resource, rlim_t soft) : resource_(resource)
    {
        getrlimit(resource_, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = soft;
        EXPECT_EQ(0, setrlimit(resource_, &lowered));
    }
    ~LimitGuard() { setrlimit(resource_, &saved_); }

private:
    int resource_;
    rlimit saved_;
};

TEST_F(WorkTest, FullDiskIsFatal)
{
    Bytes data(10000);
    auto previous = signal(SIGXFSZ, SIG_IGN);
    {
        LimitGuard limit(RLIMIT_FSIZE, 50);
        mmtrk *t = track(1, "piano");
        ASSERT_EQ(0, MMevt_sysex(t, 0, 100, data.data()));  // still in the stream's buffer
        expectFatal("Work file write error! ", [&] { MMwork_close(t); });
        resetContext();
        useWorkFiles(dir.path);
        t = track(1, "piano");
        expectFatal("Work file write error! ", [&] { MMevt_sysex(t, 0, (uint32_t)data.size(), data.data()); });
    }
    signal(SIGXFSZ, previous);
}

// Occupies every free descriptor number up to the highest open one, so that
// a limit of highest + 1 + n leaves exactly n descriptors.
class DescriptorFill {
public:
    DescriptorFill()
    {
        for (const auto &entry : std::filesystem::directory_iterator("/proc/self/fd"))
            highest_ = std::max(highest_, atoi(entry.path().filename().c_str()));
        for (;;) {
            int fd = open("/dev/null", O_RDONLY);
            if (fd < 0) break;
            if (fd > highest_) {
                close(fd);
                break;
            }
            fds_.push_back(fd);
        }
    }
    ~DescriptorFill()
    {
        for (int fd : fds_) close(fd);
    }
    rlim_t leaving(int n) const { return (rlim_t)(highest_ + 1 + n); }

private:
    std::vector<int> fds_;
    int highest_ = 0;
};

TEST_F(WorkTest, TooManyOpenFilesClosesAnotherWorkFile)
{
    std::vector<mmtrk *> tracks;
    for (uint32_t n = 1; n <= 4; ++n) tracks.push_back(numbered(n));
    {
        DescriptorFill fill;
        LimitGuard limit(RLIMIT_NOFILE, fill.leaving(2));
        for (uint32_t round = 0; round < 3; ++round) {
            for (mmtrk *t : tracks) {
                ASSERT_EQ(0, MMevt_noteOn(t, round, 0, 60, 100));
                int open = 0;
                MMtrk_each(ctx, [&](mmtrk *u) {
                    open += u->workFp != nullptr;
                    return 0;
                });
                EXPECT_LE(open, 2);
            }
        }
        for (mmtrk *t : tracks) EXPECT_EQ(3u, loaded(t).size());
    }
}

// Nothing here calls a member while no descriptor is free: the sanitizer's
// type checks need one.
TEST_F(WorkTest, NoFileToCloseIsFatal)
{
    mmtrk *t = track(1, "piano");
    int status = 0;
    {
        DescriptorFill fill;
        LimitGuard limit(RLIMIT_NOFILE, fill.leaving(0));
        try {
            MMevt_noteOn(t, 0, 0, 60, 100);
        } catch (const MMabort &stop) {
            status = stop.status;
        }
    }
    EXPECT_EQ(1, status);
    EXPECT_STREQ("Too many file open!", ctx->errMsg);
}

}  // namespace
