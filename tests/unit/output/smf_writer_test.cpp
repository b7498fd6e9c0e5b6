#include "output/smf_writer.h"

#include <sys/resource.h>
#include <sys/wait.h>

#include <csignal>
#include <regex>

#include "../fixture.h"
#include "output/optimizer.h"
#include "output/smf_track.h"
#include "store/event_writers.h"
#include "store/work.h"

namespace {

const std::string kVersionPrefix = "Sorvane Compiler ver.3.02a #01 : ";

void add(Bytes &to, std::initializer_list<int> bytes)
{
    for (int b : bytes) to.push_back((uint8_t)b);
}

class SmfWriterTest : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        out = dir / "song.mid";
        snprintf(ctx->outputName, sizeof ctx->outputName, "%s", out.c_str());
        snprintf(ctx->sourceName, sizeof ctx->sourceName, "%s", (dir / "song.mml").c_str());
    }

    mmtrk *ctrl() { return ctx->ctrlTrack; }

    // Writes the song quietly; 0 or -1.
    int write()
    {
        testing::internal::CaptureStdout();
        int result = MM_writeSmf(ctx);
        testing::internal::GetCapturedStdout();
        return result;
    }

    // Writes a song that must fail; gives the message. No file may stay.
    std::string failure()
    {
        EXPECT_EQ(-1, write());
        EXPECT_EQ(nullptr, ctx->outFile);
        EXPECT_FALSE(std::filesystem::exists(out));
        return pending();
    }

    // The file a format-1 song of these track chunks makes; the control track
    // opens with the version text, its time taken from the file written.
    Bytes song(std::vector<Bytes> chunks)
    {
        std::string written = fileText(out);
        size_t at = written.find(kVersionPrefix);
        std::string stamp = at == std::string::npos ? "" : written.substr(at + kVersionPrefix.size(), 19);
        EXPECT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\d)"))) << stamp;
        std::string version = kVersionPrefix + stamp;
        Bytes opening = {0x00, 0xff, 0x01, (uint8_t)version.size()};
        opening.insert(opening.end(), version.begin(), version.end());
        chunks[0].insert(chunks[0].begin(), opening.begin(), opening.end());

        Bytes file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, (uint8_t)chunks.size(), 0x03, 0xc0};
        for (const Bytes &events : chunks) {
            uint32_t n = (uint32_t)events.size();
            add(file, {'M', 'T', 'r', 'k', (int)(n >> 24), (int)(n >> 16) & 255, (int)(n >> 8) & 255, (int)n & 255});
            file.insert(file.end(), events.begin(), events.end());
        }
        return file;
    }
    Bytes written() const
    {
        std::string text = fileText(out);
        return Bytes(text.begin(), text.end());
    }

    // A one-note track in work-file mode, its work file closed.
    mmtrk *workFileSong()
    {
        useWorkFiles(dir.path);
        mmtrk *t = track(1, "piano");
        EXPECT_EQ(0, MMevt_noteOn(t, 0, 0, 60, 100));
        EXPECT_EQ(0, MMevt_endTrack(t, 10));
        EXPECT_EQ(0, MMevt_endTrack(ctrl(), 10));
        MMwork_close(t);
        return t;
    }

    ScratchDir dir;
    std::string out;
};

TEST_F(SmfWriterTest, RunningStatusAndWhatClearsItInTracksInNumberOrder)
{
    raw(track(7, "seven"), 7, {0xff, 0x2f, 0x00});
    mmtrk *t = track(3, "three");
    raw(t, 0, {0x90, 60, 100});
    raw(t, 0, {0x90, 64, 100});                 // shares the status
    raw(t, 0, {0xff, 0x01, 'h', 'i'});          // a meta event clears it
    raw(t, 0, {0x90, 67, 100});
    raw(t, 0, {0xc0, 3});
    raw(t, 0, {0xc0, 4});                       // one data byte, shared status
    raw(t, 0, {0xf0, 0x7e, 0x7f, 0xf7});        // exclusive clears it
    raw(t, 0, {0xc0, 5});
    raw(t, 0, {0xff, 0xff, 0x10, 0xff, 0xff});  // so does a marker, unwritten
    raw(t, 0, {0xc0, 6});
    raw(t, 0, {0xf8});                          // not written, clears nothing
    raw(t, 0, {0xc0, 7});
    raw(t, 0, {0x81, 60, 64});
    raw(t, 0, {0xff, 0x2f, 0x00});
    raw(ctrl(), 0, {0xff, 0x2f, 0x00});
    ASSERT_EQ(0, write());
    Bytes three;
    add(three, {0x00, 0x90, 60, 100, 0x00, 64, 100});
    add(three, {0x00, 0xff, 0x01, 2, 'h', 'i'});
    add(three, {0x00, 0x90, 67, 100, 0x00, 0xc0, 3, 0x00, 4});
    add(three, {0x00, 0xf0, 3, 0x7e, 0x7f, 0xf7});
    add(three, {0x00, 0xc0, 5, 0x00, 0xc0, 6, 0x00, 7});
    add(three, {0x00, 0x81, 60, 64, 0x00, 0xff, 0x2f, 0x00});
    EXPECT_EQ(song({{0x00, 0xff, 0x2f, 0x00}, three, {0x07, 0xff, 0x2f, 0x00}}), written());
}

// Notes written in time order are kept encoded and go out as they are: the
// same bytes as their records make, running status across note-on and
// note-off of velocity 0 included.
TEST_F(SmfWriterTest, EncodedNotesAreWrittenAsTheirRecordsWouldBe)
{
    mmtrk *encoded = track(1, "encoded");
    mmtrk *records = track(2, "records");
    auto notes = [](mmtrk *t) {
        ASSERT_EQ(0, MMevt_noteOn(t, 0, 0, 60, 100));
        ASSERT_EQ(0, MMevt_noteOff(t, 100, 0, 60, 0));
        ASSERT_EQ(0, MMevt_note(t, 100, 300, 0, 62, 90, 64));
        ASSERT_EQ(0, MMevt_note(t, 300, 350, 0, 63, 70, 0));
        ASSERT_EQ(0, MMevt_endTrack(t, 10000));
    };
    notes(encoded);
    ASSERT_EQ(0, MMevt_stopEncoding(records));
    notes(records);
    EXPECT_TRUE(MMevt_isEncoded(encoded));
    EXPECT_FALSE(MMevt_isEncoded(records));
    raw(ctrl(), 0, {0xff, 0x2f, 0x00});
    ASSERT_EQ(0, write());
    Bytes chunk;
    add(chunk, {0x00, 0x90, 60, 100, 0x64, 60, 0, 0x00, 62, 90});
    add(chunk, {0x81, 0x48, 0x80, 62, 64, 0x00, 0x90, 63, 70, 50, 63, 0, 0xcb, 50, 0xff, 0x2f, 0x00});
    EXPECT_EQ(song({{0x00, 0xff, 0x2f, 0x00}, chunk, chunk}), written());
}

// Each kind on the first and the last channel: its data bytes, and a second
// event of the same status written without it.
TEST_F(SmfWriterTest, EveryChannelKindOnChannels1And16UsesRunningStatus)
{
    const std::pair<int, Bytes> kinds[] = {{0x80, {60, 64}}, {0x90, {60, 100}}, {0xa0, {60, 30}}, {0xb0, {7, 90}},
                                           {0xc0, {5}},      {0xd0, {30}},      {0xe0, {0, 64}}};
    mmtrk *t = track(1, "piano");
    Bytes events;
    for (const auto &[kind, data] : kinds) {
        for (int status : {kind, kind + 15}) {
            Bytes event = {(uint8_t)status};
            event.insert(event.end(), data.begin(), data.end());
            raw(t, 0, event);
            raw(t, 0, event);
            add(events, {0x00, status});
            events.insert(events.end(), data.begin(), data.end());
            events.push_back(0x00);
            events.insert(events.end(), data.begin(), data.end());
        }
    }
    raw(t, 0, {0xff, 0x2f, 0x00});
    raw(ctrl(), 0, {0xff, 0x2f, 0x00});
    ASSERT_EQ(0, write());
    add(events, {0x00, 0xff, 0x2f, 0x00});
    EXPECT_EQ(song({{0x00, 0xff, 0x2f, 0x00}, events}), written());
}

TEST_F(SmfWriterTest, DeltaTimesAcrossGapsAndSkippedRecords)
{
    mmtrk *t = track(1, "piano");
    raw(t, 127, {0x90, 1, 100});
    raw(t, 255, {0x90, 2, 100});                     // +128
    raw(t, 300, {0xff, 0xff, 0x10, 0xff, 0xff});     // markers move no clock
    raw(t, 400, {0x12, 0x34});                       // neither do stray data bytes
    raw(t, 16639, {0x90, 3, 100});                   // +16384
    raw(t, 16639 + 2097152, {0x90, 4, 100});         // +2097152
    uint32_t last = 16639 + 2097152 + 0x0fffffff;    // the largest delta
    raw(t, last, {0x90, 5, 100});
    raw(t, last, {0xff, 0x2f, 0x00});
    raw(ctrl(), 0, {0xff, 0x2f, 0x00});
    ASSERT_EQ(0, write());
    Bytes events;
    add(events, {0x7f, 0x90, 1, 100});
    add(events, {0x81, 0x00, 2, 100});
    add(events, {0x81, 0x80, 0x00, 0x90, 3, 100});   // the marker cleared the running status
    add(events, {0x81, 0x80, 0x80, 0x00, 4, 100});
    add(events, {0xff, 0xff, 0xff, 0x7f, 5, 100});
    add(events, {0x00, 0xff, 0x2f, 0x00});
    EXPECT_EQ(song({{0x00, 0xff, 0x2f, 0x00}, events}), written());
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
    raw(t, 20, {0xff, 0x2f, 0x00});
    raw(t, 20, {0x90, 60, 100});                       // after the end: cut
    raw(ctrl(), 0, {0xff, 0x2f, 0x00});
    ASSERT_EQ(0, write());
    Bytes events;
    add(events, {0x00, 0xff, 0x04, 5, 'p', 'i', 'a', 'n', 'o'});
    add(events, {0x00, 0xff, 0x7f, 0});
    add(events, {0x00, 0xff, 0x58, 0x04, 3, 2, 24, 8});
    add(events, {0x0a, 0xf7, 2, 0x01, 0x02});
    add(events, {0x0a, 0xff, 0x2f, 0x00});
    EXPECT_EQ(song({{0x00, 0xff, 0x2f, 0x00}, events}), written());
}

TEST_F(SmfWriterTest, UnwritableOutputFailsAndLeavesNoFile)
{
    raw(ctrl(), 0, {0xff, 0x2f, 0x00});
    out = dir / "no/such/dir/song.mid";
    snprintf(ctx->outputName, sizeof ctx->outputName, "%s", out.c_str());
    EXPECT_EQ(out + " : File open error!", failure());

    out = dir.write("song.mml", ".end\n");
    snprintf(ctx->outputName, sizeof ctx->outputName, "%s", out.c_str());
    EXPECT_EQ(-1, write());
    EXPECT_EQ(out + " : Output file is the source file!", pending());
    EXPECT_EQ(".end\n", fileText(out));

    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    std::string link = dir / "full.mid";
    ASSERT_EQ(0, symlink("/dev/full", link.c_str()));
    snprintf(ctx->outputName, sizeof ctx->outputName, "%s", link.c_str());
    EXPECT_EQ(-1, write());
    EXPECT_EQ(link + " : File write error! (No space left on device)", pending());
    EXPECT_EQ(nullptr, ctx->outFile);
    EXPECT_TRUE(std::filesystem::exists(link));  // a device is never deleted
}

// A file that cannot grow past a few bytes stands in for a full disk; the
// limit is set in a child process so nothing else in the test run feels it.
TEST_F(SmfWriterTest, FailedWriteDeletesThePartialFile)
{
    mmtrk *t = track(1, "piano");
    for (uint32_t i = 0; i < 20000; ++i) raw(t, i, {0x90, 60, 100});
    raw(t, 20000, {0xff, 0x2f, 0x00});
    raw(ctrl(), 20000, {0xff, 0x2f, 0x00});
    fflush(stdout);
    pid_t child = fork();
    ASSERT_NE(-1, child);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 100;
        setrlimit(RLIMIT_FSIZE, &limit);
        if (!freopen("/dev/null", "w", stdout)) _exit(2);
        int result = MM_writeSmf(ctx);
        bool said = ctx->errMsg && strstr(ctx->errMsg, "File write error!");
        _exit(result == -1 && said ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(SmfWriterTest, WorkFilesAreReadBackThinnedAndReleased)
{
    useWorkFiles(dir.path);
    mmtrk *t = track(1, "piano");
    int32_t tracksOnly = ctx->workSize;
    ASSERT_EQ(0, MMevt_program(t, 20, 0, 5));
    ASSERT_EQ(0, MMevt_program(t, 10, 0, 5));     // made later, sorted first
    ASSERT_EQ(0, MMevt_noteOn(t, 30, 0, 60, 100));
    ASSERT_EQ(0, MMevt_endTrack(t, 40));
    ASSERT_EQ(0, MMevt_endTrack(ctrl(), 40));
    EXPECT_TRUE(MMevt_none(t));                  // the records live in the work file
    testing::internal::CaptureStdout();
    ASSERT_EQ(0, MMopt_run(ctx));
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(MMevt_none(t));
    ASSERT_EQ(0, write());
    EXPECT_TRUE(MMevt_none(t));
    EXPECT_EQ(tracksOnly, ctx->workSize);
    EXPECT_EQ(song({{0x28, 0xff, 0x2f, 0x00}, {0x0a, 0xc0, 5, 0x14, 0x90, 60, 100, 0x0a, 0xff, 0x2f, 0x00}}),
              written());
}

TEST_F(SmfWriterTest, WithTheDumpOnWorkFilesKeepTheThinnedList)
{
    useWorkFiles(dir.path);
    ctx->dumpMsg = 1;
    mmtrk *t = track(1, "piano");
    ASSERT_EQ(0, MMevt_program(t, 10, 0, 5));
    ASSERT_EQ(0, MMevt_program(t, 20, 0, 5));
    ASSERT_EQ(0, MMevt_endTrack(t, 40));
    ASSERT_EQ(0, MMevt_endTrack(ctrl(), 40));
    ASSERT_EQ(0, write());
    EXPECT_TRUE(MMevt_none(t));
    ASSERT_EQ(0, MMwork_load(t));
    EXPECT_EQ((std::vector<StoredEvent>{{10, {0xc0, 5}}, {40, {0xff, 0x2f, 0x00}}}), eventsOf(t));
}

TEST_F(SmfWriterTest, DamagedWorkFileFailsAndLeavesNoFile)
{
    mmtrk *t = workFileSong();
    ASSERT_EQ(0, truncate(t->workName, (off_t)fileText(t->workName).size() - 1));
    EXPECT_EQ("EOF encountered", failure());
}

TEST_F(SmfWriterTest, MissingWorkFileIsFatalAndLeavesNoFile)
{
    ASSERT_EQ(0, remove(workFileSong()->workName));
    EXPECT_NE(std::string::npos, fatal([&] { MM_writeSmf(ctx); }).find("File open error!"));
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(SmfVlq, GroupsOfSevenBits)
{
    // The delta times of the songs above show the boundaries upwards.
    const std::pair<uint32_t, Bytes> cases[] = {
        {0, {0x00}}, {0x3fff, {0xff, 0x7f}}, {0x1fffff, {0xff, 0xff, 0x7f}}, {0x10000000, {0x00}},  // modulo 2^28
    };
    for (const auto &[value, bytes] : cases) {
        Bytes out;
        MM_smfVlq(out, value);
        EXPECT_EQ(bytes, out) << value;
    }
}

}  // namespace
