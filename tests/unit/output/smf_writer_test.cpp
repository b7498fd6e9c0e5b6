#include "output/smf_writer.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "output/optimizer.h"
#include "output/smf_track.h"
#include "store/work.h"
#include "song_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kVersionPrefix = "Sorvane Compiler ver.3.02a #01 : ";

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

Bytes readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void add(Bytes &to, std::initializer_list<int> bytes)
{
    for (int b : bytes) to.push_back((uint8_t)b);
}

void add(Bytes &to, const std::string &text) { to.insert(to.end(), text.begin(), text.end()); }

Bytes header(int tracks)
{
    return Bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, (uint8_t)tracks, 0x03, 0xc0};
}

void chunk(Bytes &file, const Bytes &events)
{
    add(file, {'M', 'T', 'r', 'k'});
    uint32_t n = (uint32_t)events.size();
    add(file, {(int)(n >> 24), (int)(n >> 16) & 255, (int)(n >> 8) & 255, (int)n & 255});
    file.insert(file.end(), events.begin(), events.end());
}

class SmfWriterTest : public SongFixture {
protected:
    std::string dir;
    std::string out;
    std::string stamp = "0000/00/00 00:00:00";   // the time of writing, taken from the file

    void SetUp() override
    {
        SongFixture::SetUp();
        dir = testing::TempDir() + "smf_writer_" + std::to_string(getpid());
        mkdir(dir.c_str(), 0755);
        out = dir + "/song.mid";
        snprintf(ctx->outputName, sizeof ctx->outputName, "%s", out.c_str());
        snprintf(ctx->sourceName, sizeof ctx->sourceName, "%s/song.mml", dir.c_str());
    }
    void TearDown() override
    {
        remove(out.c_str());
        rmdir(dir.c_str());
        SongFixture::TearDown();
    }

    // Writes the song quietly; 0 or -1.
    int write()
    {
        testing::internal::CaptureStdout();
        int result = MM_writeSmf(ctx);
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    // The file written, with the version text's time checked and noted.
    Bytes written()
    {
        Bytes bytes = readFile(out);
        std::string text(bytes.begin(), bytes.end());
        size_t at = text.find(kVersionPrefix);
        if (at != std::string::npos && at + kVersionPrefix.size() + 19 <= text.size()) {
            stamp = text.substr(at + kVersionPrefix.size(), 19);
            EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"))) << stamp;
        }
        return bytes;
    }

    // The opening events of the control track, as this run wrote them.
    void versionEvent(Bytes &events) const
    {
        std::string text = kVersionPrefix + stamp;
        add(events, {0x00, 0xff, 0x01, (int)text.size()});
        add(events, text);
    }

    void useWorkFiles()
    {
        ctx->workMode = 1;
        snprintf(ctx->workPath, sizeof ctx->workPath, "%s/", dir.c_str());
    }

    std::string printed;
};

TEST_F(SmfWriterTest, ControlTrackAloneGivesOneSilentMeasure)
{
    endTrack(ctrl(), 3839);
    ASSERT_EQ(0, write());
    Bytes actual = written();
    Bytes file = header(1), events;
    versionEvent(events);
    add(events, {0x9d, 0x7f, 0xff, 0x2f, 0x00});
    chunk(file, events);
    EXPECT_EQ(file, actual);
    EXPECT_NE(std::string::npos, printed.find("output filename \"" + out + "\""));
}

TEST_F(SmfWriterTest, TitleAndCopyrightOpenTheControlTrack)
{
    std::string title(200, 't');
    snprintf(ctx->title, sizeof ctx->title, "%s", title.c_str());
    snprintf(ctx->copyright, sizeof ctx->copyright, "(c) us");
    tempo(ctrl(), 0, 500000);
    endTrack(ctrl(), 100);
    ASSERT_EQ(0, write());
    Bytes actual = written();
    Bytes file = header(1), events;
    add(events, {0x00, 0xff, 0x03, 0x81, 0x48});
    add(events, title);
    add(events, {0x00, 0xff, 0x02, 6});
    add(events, "(c) us");
    versionEvent(events);
    add(events, {0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20});
    add(events, {0x64, 0xff, 0x2f, 0x00});
    chunk(file, events);
    EXPECT_EQ(file, actual);
}

TEST_F(SmfWriterTest, RunningStatusAndWhatClearsIt)
{
    mmtrk *t = track(1, "piano");
    note(t, 0, 0, 60);
    note(t, 0, 0, 64);                          // shares the status
    ASSERT_EQ(0, MMevt_text(t, 0, "hi"));       // a text event clears it
    note(t, 0, 0, 67);
    program(t, 0, 0, 3);
    program(t, 0, 0, 4);                        // one data byte, shared status
    const uint8_t exclusive[] = {0x7e, 0x7f};
    ASSERT_EQ(0, MMevt_sysex(t, 0, 2, exclusive));   // exclusive clears it
    program(t, 0, 0, 5);
    clearMarker(t, 0, 0xffff);                  // so does a marker, unwritten
    program(t, 0, 0, 6);
    raw(t, 0, {0xf8});                          // not written, clears nothing
    program(t, 0, 0, 7);
    noteOff(t, 0, 1, 60);
    endTrack(t, 0);
    endTrack(ctrl(), 0);
    ASSERT_EQ(0, write());
    Bytes actual = written();
    Bytes file = header(2), ctrlEvents, events;
    versionEvent(ctrlEvents);
    add(ctrlEvents, {0x00, 0xff, 0x2f, 0x00});
    chunk(file, ctrlEvents);
    add(events, {0x00, 0x90, 60, 100, 0x00, 64, 100});
    add(events, {0x00, 0xff, 0x01, 2, 'h', 'i'});
    add(events, {0x00, 0x90, 67, 100, 0x00, 0xc0, 3, 0x00, 4});
    add(events, {0x00, 0xf0, 3, 0x7e, 0x7f, 0xf7});
    add(events, {0x00, 0xc0, 5, 0x00, 0xc0, 6, 0x00, 7});
    add(events, {0x00, 0x81, 60, 64, 0x00, 0xff, 0x2f, 0x00});
    chunk(file, events);
    EXPECT_EQ(file, actual);
}

TEST_F(SmfWriterTest, DeltaTimesAcrossGapsAndSkippedRecords)
{
    mmtrk *t = track(1, "piano");
    note(t, 127, 0, 1);
    note(t, 255, 0, 2);                            // +128
    clearMarker(t, 300, 0xffff);                   // markers move no clock
    raw(t, 400, {0x12, 0x34});                     // neither do stray data bytes
    note(t, 16639, 0, 3);                          // +16384
    note(t, 16639 + 2097152, 0, 4);                // +2097152
    note(t, 16639 + 2097152 + 0x0fffffff, 0, 5);   // the largest delta
    endTrack(t, 16639 + 2097152 + 0x0fffffff);
    endTrack(ctrl(), 0);
    ASSERT_EQ(0, write());
    Bytes actual = written();
    Bytes file = header(2), ctrlEvents, events;
    versionEvent(ctrlEvents);
    add(ctrlEvents, {0x00, 0xff, 0x2f, 0x00});
    chunk(file, ctrlEvents);
    add(events, {0x7f, 0x90, 1, 100});
    add(events, {0x81, 0x00, 2, 100});
    add(events, {0x81, 0x80, 0x00, 0x90, 3, 100});   // the marker cleared the running status
    add(events, {0x81, 0x80, 0x80, 0x00, 4, 100});
    add(events, {0xff, 0xff, 0xff, 0x7f, 5, 100});
    add(events, {0x00, 0xff, 0x2f, 0x00});
    chunk(file, events);
    EXPECT_EQ(file, actual);
}

TEST_F(SmfWriterTest, MetaRecordsGetTheirLengthAndTheChunkEndsAtEndOfTrack)
{
    mmtrk *t = track(1, "piano");
    ASSERT_EQ(0, MMevt_instName(t, 0, "piano"));      // length added
    ASSERT_EQ(0, MMevt_meta(t, 0, 0x7f, 0, nullptr)); // empty data
    raw(t, 0, {0xff, 0x58, 0x04, 3, 2, 24, 8});        // signature: written as stored
    raw(t, 0, {0xff});                                 // no type: dropped
    const uint8_t bytes[] = {0x01, 0x02};
    ASSERT_EQ(0, MMevt_sysexRaw(t, 10, 2, bytes));
    endTrack(t, 20);
    note(t, 20, 0, 60);                                // after the end: cut
    note(t, 30, 0, 62);
    endTrack(ctrl(), 0);
    ASSERT_EQ(0, write());
    Bytes actual = written();
    Bytes file = header(2), ctrlEvents, events;
    versionEvent(ctrlEvents);
    add(ctrlEvents, {0x00, 0xff, 0x2f, 0x00});
    chunk(file, ctrlEvents);
    add(events, {0x00, 0xff, 0x04, 5, 'p', 'i', 'a', 'n', 'o'});
    add(events, {0x00, 0xff, 0x7f, 0});
    add(events, {0x00, 0xff, 0x58, 0x04, 3, 2, 24, 8});
    add(events, {0x0a, 0xf7, 2, 0x01, 0x02});
    add(events, {0x0a, 0xff, 0x2f, 0x00});
    chunk(file, events);
    EXPECT_EQ(file, actual);
}

TEST_F(SmfWriterTest, TracksAreWrittenInNumberOrder)
{
    mmtrk *seven = track(7, "seven");
    mmtrk *three = track(3, "three");
    endTrack(seven, 7);
    endTrack(three, 3);
    endTrack(ctrl(), 0);
    ASSERT_EQ(0, write());
    Bytes actual = written();
    Bytes file = header(3), ctrlEvents;
    versionEvent(ctrlEvents);
    add(ctrlEvents, {0x00, 0xff, 0x2f, 0x00});
    chunk(file, ctrlEvents);
    chunk(file, {0x03, 0xff, 0x2f, 0x00});
    chunk(file, {0x07, 0xff, 0x2f, 0x00});
    EXPECT_EQ(file, actual);
}

TEST_F(SmfWriterTest, OutputNameComesFromTheSource)
{
    ctx->outputName[0] = '\0';
    endTrack(ctrl(), 0);
    ASSERT_EQ(0, write());
    EXPECT_STREQ(out.c_str(), ctx->outputName);
    EXPECT_TRUE(exists(out));
}

TEST_F(SmfWriterTest, UnopenableOutputFailsAndLeavesNoFile)
{
    std::string missing = dir + "/no/such/dir/song.mid";
    snprintf(ctx->outputName, sizeof ctx->outputName, "%s", missing.c_str());
    endTrack(ctrl(), 0);
    EXPECT_EQ(-1, write());
    ASSERT_NE(nullptr, ctx->errMsg);
    EXPECT_EQ(missing + " : File open error!", std::string(ctx->errMsg));
    EXPECT_FALSE(exists(missing));
    EXPECT_EQ(nullptr, ctx->outFile);
}

TEST_F(SmfWriterTest, OutputOverTheSourceIsRefused)
{
    std::string source = dir + "/song.mml";
    { std::ofstream(source) << ".end\n"; }
    snprintf(ctx->outputName, sizeof ctx->outputName, "%s", source.c_str());
    endTrack(ctrl(), 0);
    EXPECT_EQ(-1, write());
    ASSERT_NE(nullptr, ctx->errMsg);
    EXPECT_EQ(source + " : Output file is the source file!", std::string(ctx->errMsg));
    Bytes kept = readFile(source);
    EXPECT_EQ(".end\n", std::string(kept.begin(), kept.end()));
    remove(source.c_str());
}

TEST_F(SmfWriterTest, FullDeviceIsAWriteError)
{
    if (!exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    std::string link = dir + "/full.mid";
    ASSERT_EQ(0, symlink("/dev/full", link.c_str()));
    snprintf(ctx->outputName, sizeof ctx->outputName, "%s", link.c_str());
    endTrack(ctrl(), 0);
    EXPECT_EQ(-1, write());
    ASSERT_NE(nullptr, ctx->errMsg);
    EXPECT_EQ(link + " : File write error! (No space left on device)", std::string(ctx->errMsg));
    EXPECT_EQ(nullptr, ctx->outFile);
    EXPECT_TRUE(exists(link));             // a device is never deleted
    remove(link.c_str());
}

// A file that cannot grow past a few bytes stands in for a full disk; the
// limit is set in a child process so nothing else in the test run feels it.
TEST_F(SmfWriterTest, FailedWriteDeletesThePartialFile)
{
    mmtrk *t = track(1, "piano");
    for (uint32_t i = 0; i < 20000; ++i) note(t, i, 0, 60);
    endTrack(t, 20000);
    endTrack(ctrl(), 20000);
    fflush(stdout);
    pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &limit);
        freopen("/dev/null", "w", stdout);
        int result = MM_writeSmf(ctx);
        bool said = ctx->errMsg && strstr(ctx->errMsg, "File write error!");
        _exit(result == -1 && said ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_FALSE(exists(out));
}

TEST_F(SmfWriterTest, WorkFilesAreReadBackThinnedAndReleased)
{
    useWorkFiles();
    mmtrk *t = track(1, "piano");
    int32_t tracksOnly = ctx->workSize;
    program(t, 20, 0, 5);
    program(t, 10, 0, 5);                  // made later, sorted first
    note(t, 30, 0, 60);
    endTrack(t, 40);
    endTrack(ctrl(), 40);
    EXPECT_EQ(nullptr, t->head);           // the records live in the work file
    testing::internal::CaptureStdout();
    ASSERT_EQ(0, MMopt_run(ctx));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(nullptr, t->head);
    ASSERT_EQ(0, write());
    EXPECT_EQ(nullptr, t->head);
    EXPECT_EQ(tracksOnly, ctx->workSize);
    Bytes actual = written();
    Bytes file = header(2), ctrlEvents;
    versionEvent(ctrlEvents);
    add(ctrlEvents, {0x28, 0xff, 0x2f, 0x00});
    chunk(file, ctrlEvents);
    chunk(file, {0x0a, 0xc0, 5, 0x14, 0x90, 60, 100, 0x0a, 0xff, 0x2f, 0x00});
    EXPECT_EQ(file, actual);
}

TEST_F(SmfWriterTest, DamagedWorkFileFailsAndLeavesNoFile)
{
    useWorkFiles();
    mmtrk *t = track(1, "piano");
    note(t, 0, 0, 60);
    endTrack(t, 10);
    endTrack(ctrl(), 10);
    MMwork_close(t);
    struct stat st;
    ASSERT_EQ(0, stat(t->workName, &st));
    ASSERT_EQ(0, truncate(t->workName, st.st_size - 1));
    EXPECT_EQ(-1, write());
    ASSERT_NE(nullptr, ctx->errMsg);
    EXPECT_STREQ("EOF encountered", ctx->errMsg);
    EXPECT_FALSE(exists(out));
    EXPECT_EQ(nullptr, ctx->outFile);
}

TEST_F(SmfWriterTest, FatalErrorWhileWritingLeavesNoFile)
{
    useWorkFiles();
    mmtrk *t = track(1, "piano");
    note(t, 0, 0, 60);
    endTrack(t, 10);
    endTrack(ctrl(), 10);
    MMwork_close(t);
    ASSERT_EQ(0, remove(t->workName));     // reading it back is fatal
    testing::internal::CaptureStdout();
    EXPECT_THROW(MM_writeSmf(ctx), MMabort);
    std::string report = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, report.find("File open error!")) << report;
    EXPECT_FALSE(exists(out));
}

TEST(SmfVlq, GroupsOfSevenBits)
{
    struct Case {
        uint32_t value;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {0, {0x00}},
        {0x7f, {0x7f}},
        {0x80, {0x81, 0x00}},
        {0x2000, {0xc0, 0x00}},
        {0x3fff, {0xff, 0x7f}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x1fffff, {0xff, 0xff, 0x7f}},
        {0x200000, {0x81, 0x80, 0x80, 0x00}},
        {0x0fffffff, {0xff, 0xff, 0xff, 0x7f}},
        {0x10000000, {0x00}},               // modulo 2^28
    };
    for (const Case &c : cases) {
        std::vector<uint8_t> out;
        MM_smfVlq(out, c.value);
        EXPECT_EQ(c.bytes, out) << c.value;
    }
}

}  // namespace
