#include "store/work.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>

#include "driver/messages.h"
#include "store_fixture.h"

namespace {

using Song = std::map<uint32_t, std::vector<StoredEvent>>;  // track number -> events

std::vector<std::string> filesIn(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *entry = readdir(d))
            if (entry->d_name[0] != '.') names.push_back(entry->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WorkTest : public StoreTest {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qoral_work_XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        resetContext(1, dir + "/");
    }

    void TearDown() override
    {
        MMtrk_freeAll(ctx);
        EXPECT_EQ(std::vector<std::string>{}, filesIn(dir)) << "work files left behind";
        for (const std::string &name : filesIn(dir)) unlink((dir + "/" + name).c_str());
        rmdir(dir.c_str());
    }

    // Several tracks, parts interleaved by measure, equal clocks, the control
    // track's meta events and one long record.
    void writeSong()
    {
        mmtrk *piano = newTrack(1, 0), *bass = newTrack(2, 1), *drums = newTrack(3, 9);
        const uint8_t signature[4] = {3, 2, 24, 8};
        ASSERT_EQ(0, MMevt_signature(ctx->ctrlTrack, 0, signature));
        ASSERT_EQ(0, MMevt_text(piano, 0, "intro"));
        std::vector<uint8_t> sysex(600);
        for (size_t i = 0; i < sysex.size(); ++i) sysex[i] = (uint8_t)(i & 0x7F);
        ASSERT_EQ(0, MMevt_sysex(drums, 0, (uint32_t)sysex.size(), sysex.data()));
        for (uint32_t measure = 0; measure < 6; ++measure) {
            uint32_t bar = measure * 1920;
            ASSERT_EQ(0, MMevt_tempo(piano, bar, 400000 + measure * 1000));
            for (int part = 0; part < 2; ++part) {
                for (uint32_t step = 0; step < 1920; step += 480) {
                    int note = 60 + part * 4 + (int)(step / 480);
                    ASSERT_EQ(0, MMevt_noteOn(piano, bar + step, part, note, 90));
                    ASSERT_EQ(0, MMevt_noteOff(piano, bar + step + 480, part, note, 0));
                }
                ASSERT_EQ(0, MMevt_control(bass, bar, -1, 7, 100 - part));
            }
            ASSERT_EQ(0, MMevt_noteOn(bass, bar, 16, 36, 100));
            ASSERT_EQ(0, MMevt_noteOff(bass, bar + 1920, 16, 36, 64));
            ASSERT_EQ(0, MMevt_pitchBend(bass, bar + 960, 16, 8192 + (int)measure));
            ASSERT_EQ(0, MMevt_noteOn(drums, bar, 16, 36, 127));
            ASSERT_EQ(0, MMevt_noteOn(drums, bar, 16, 42, 127));
        }
        MMtrk_each(ctx, [](mmtrk *t) { MMevt_endTrack(t, 6 * 1920); });
    }

    Song snapshot(bool load)
    {
        Song song;
        MMtrk_each(ctx, [&](mmtrk *t) {
            if (load) {
                EXPECT_EQ(0, MMwork_load(t));
            }
            song[t->number] = eventsOf(t);
        });
        return song;
    }

    std::vector<StoredEvent> loaded(mmtrk *t)
    {
        EXPECT_EQ(0, MMwork_load(t));
        std::vector<StoredEvent> events = eventsOf(t);
        MMevt_freeAll(t);
        return events;
    }

    std::string dir;
};

TEST_F(WorkTest, SongReadBackEqualsMemoryMode)
{
    resetContext(0, "");
    writeSong();
    Song inMemory = snapshot(false);
    int32_t memorySize = ctx->workSize;

    resetContext(1, dir + "/");
    writeSong();
    EXPECT_EQ(4 * MM_TRACK_WORK, ctx->workSize) << "records stayed in memory in file mode";
    EXPECT_EQ(4u, filesIn(dir).size());
    Song fromFiles = snapshot(true);
    EXPECT_EQ(inMemory, fromFiles);
    EXPECT_EQ(memorySize, ctx->workSize);
    EXPECT_EQ(6u * 1920, MMtrk_findNo(ctx, 1)->maxClock);
}

TEST_F(WorkTest, RecordsAreClockLengthBytesLittleEndian)
{
    mmtrk *t = newTrack(1);
    ASSERT_EQ(0, MMevt_noteOn(t, 0x01020304, 2, 60, 100));
    ASSERT_EQ(0, MMevt_text(t, 5, "ab"));
    EXPECT_EQ(nullptr, t->head);
    ASSERT_EQ(0, MMwork_close(t));
    EXPECT_EQ(dir + "/_qv00000.)0(", t->workName);
    EXPECT_EQ(std::string("\x04\x03\x02\x01\x03\0\0\0\x92\x3c\x64"
                          "\x05\0\0\0\x04\0\0\0\xff\x01"
                          "ab",
                          23),
              fileBytes(t->workName));
}

TEST_F(WorkTest, NinthTrackEvictsStreamNamedByCounter)
{
    std::vector<mmtrk *> tracks;
    for (uint32_t n = 1; n <= 9; ++n) tracks.push_back(newTrack(n));
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
    EXPECT_EQ(9u, filesIn(dir).size());
}

TEST_F(WorkTest, TruncatedFileFailsWithEofEncountered)
{
    mmtrk *t = newTrack(1);
    for (uint32_t clock = 0; clock < 3; ++clock) ASSERT_EQ(0, MMevt_noteOn(t, clock, 0, 60, 100));
    ASSERT_EQ(0, MMwork_close(t));
    std::string whole = fileBytes(t->workName);
    ASSERT_EQ(33u, whole.size());  // three records of 8 + 3 bytes
    auto cutTo = [&](size_t size) {
        ASSERT_EQ(0, truncate(t->workName, (off_t)size));
    };
    cutTo(30);  // inside the third record's bytes
    EXPECT_EQ(-1, MMwork_load(t));
    MMevt_freeAll(t);
    cutTo(26);  // after the third record's clock
    ctx->errMsg = nullptr;
    EXPECT_EQ(-1, MMwork_load(t));
    EXPECT_STREQ("EOF encountered", ctx->errMsg);
    EXPECT_EQ(nullptr, t->workFp);
    EXPECT_EQ(2u, eventsOf(t).size());  // the whole records stay for the caller to free
    MMevt_freeAll(t);
    cutTo(24);  // inside the third record's clock
    EXPECT_EQ(-1, MMwork_load(t));
    MMevt_freeAll(t);

    cutTo(22);  // exactly between records
    ctx->errMsg = nullptr;
    EXPECT_EQ(2u, loaded(t).size());
    EXPECT_EQ(nullptr, ctx->errMsg);
}

TEST_F(WorkTest, ExistingFilesAreSkipped)
{
    for (int n = 0; n < 4; ++n) {
        std::string name = dir + "/_qv0000" + std::to_string(n) + ".)0(";
        std::ofstream(name) << "someone else's";
    }
    mmtrk *t = newTrack(1);
    ASSERT_EQ(0, MMevt_noteOn(t, 0, 0, 60, 100));
    EXPECT_EQ(dir + "/_qv00004.)0(", t->workName);
    EXPECT_EQ(1u, loaded(t).size());
    MMtrk_freeAll(ctx);
    // Only our own file is removed at the end.
    EXPECT_EQ(4u, filesIn(dir).size());
    for (const std::string &name : filesIn(dir)) unlink((dir + "/" + name).c_str());
}

TEST_F(WorkTest, SaveWritesTheListBack)
{
    mmtrk *t = newTrack(1);
    for (uint32_t clock : {30u, 10u, 20u, 10u}) ASSERT_EQ(0, MMevt_noteOn(t, clock, 0, 60 + (int)clock, 100));
    ASSERT_EQ(0, MMwork_load(t));
    mmevt *second = t->head->next;  // drop one record, as the optimiser does
    second->prev->next = second->next;
    second->next->prev = second->prev;
    MMevt_free(t, second);
    std::vector<StoredEvent> kept = eventsOf(t);
    ASSERT_EQ(0, MMwork_save(t));
    EXPECT_EQ(nullptr, t->head);
    EXPECT_EQ(kept, loaded(t));
}

TEST_F(WorkTest, MissingWorkDirectoryIsFatal)
{
    snprintf(ctx->workPath, sizeof ctx->workPath, "%s/missing/", dir.c_str());
    mmtrk *t = newTrack(1);
    try {
        MMevt_noteOn(t, 0, 0, 60, 100);
        FAIL() << "no abort";
    } catch (const MMabort &stop) {
        EXPECT_EQ(1, stop.status);
    }
    EXPECT_STREQ("File open error!", ctx->errMsg);
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
    std::vector<uint8_t> data(10000);
    auto expectAbort = [&](auto action) {
        try {
            action();
            ADD_FAILURE() << "no abort";
        } catch (const MMabort &stop) {
            EXPECT_EQ(1, stop.status);
        }
        ASSERT_NE(nullptr, ctx->errMsg);
        EXPECT_EQ(0, strncmp(ctx->errMsg, "Work file write error! ", 23)) << ctx->errMsg;
    };
    auto previous = signal(SIGXFSZ, SIG_IGN);
    {
        LimitGuard limit(RLIMIT_FSIZE, 50);
        mmtrk *t = newTrack(1);
        ASSERT_EQ(0, MMevt_sysex(t, 0, 100, data.data()));  // still in the stream's buffer
        expectAbort([&] { MMwork_close(t); });
        resetContext(1, dir + "/");
        t = newTrack(1);
        expectAbort([&] { MMevt_sysex(t, 0, (uint32_t)data.size(), data.data()); });
    }
    signal(SIGXFSZ, previous);
}

// Occupies every free descriptor number up to the highest open one, so that
// a limit of highest + 1 + n leaves exactly n descriptors.
class DescriptorFill {
public:
    DescriptorFill()
    {
        int highest = 0;
        if (DIR *d = opendir("/proc/self/fd")) {
            while (dirent *entry = readdir(d)) highest = std::max(highest, atoi(entry->d_name));
            closedir(d);
        }
        for (;;) {
            int fd = open("/dev/null", O_RDONLY);
            if (fd < 0) break;
            if (fd > highest) {
                close(fd);
                break;
            }
            fds_.push_back(fd);
        }
        highest_ = highest;
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
    for (uint32_t n = 1; n <= 4; ++n) tracks.push_back(newTrack(n));
    {
        DescriptorFill fill;
        LimitGuard limit(RLIMIT_NOFILE, fill.leaving(2));
        for (uint32_t round = 0; round < 3; ++round) {
            for (mmtrk *t : tracks) {
                ASSERT_EQ(0, MMevt_noteOn(t, round, 0, 60, 100));
                int open = 0;
                MMtrk_each(ctx, [&](mmtrk *u) { open += u->workFp != nullptr; });
                EXPECT_LE(open, 2);
            }
        }
        for (mmtrk *t : tracks) EXPECT_EQ(3u, loaded(t).size());
    }
}

TEST_F(WorkTest, NoFileToCloseIsFatal)
{
    mmtrk *t = newTrack(1);
    {
        DescriptorFill fill;
        LimitGuard limit(RLIMIT_NOFILE, fill.leaving(0));
        try {
            MMevt_noteOn(t, 0, 0, 60, 100);
            ADD_FAILURE() << "no abort";
        } catch (const MMabort &stop) {
            EXPECT_EQ(1, stop.status);
        }
    }
    EXPECT_STREQ("Too many file open!", ctx->errMsg);
}

}  // namespace
