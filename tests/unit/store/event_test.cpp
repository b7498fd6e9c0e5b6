#include "store/event.h"

#include <algorithm>
#include <functional>

#include "../fixture.h"
#include "store/event_writers.h"
#include "store/filter.h"

namespace {

class EventTest : public ContextTest {
protected:
    void SetUp() override
    {
        ContextTest::SetUp();
        music = track(1, "music", 3);
        ASSERT_EQ(0, MMevt_stopEncoding(music));  // these tests are about records
    }

    // The payload of the one record that `write` appends to `into`.
    template <typename Write> Bytes written(mmtrk *into, Write write)
    {
        size_t before = count(into);
        EXPECT_EQ(0, write());
        const mmevt *last = nullptr;
        for (const mmevt *e : MMevt_records(into)) last = e;
        if (count(into) != before + 1 || !last) {
            ADD_FAILURE() << "no record written";
            return {};
        }
        return Bytes(last->data(), last->data() + last->length());
    }
    static size_t count(mmtrk *of)
    {
        size_t n = 0;
        for (const mmevt *e : MMevt_records(of)) n += e != nullptr;
        return n;
    }
    int velocity(int v)
    {
        return written(music, [&] { return MMevt_noteOn(music, 0, 0, 60, v); })[2];
    }

    mmtrk *music = nullptr;
};

TEST_F(EventTest, EveryWriterBuildsItsPayload)
{
    mmtrk *t = music;
    uint32_t clock = 0;
    auto at = [&] { return clock += 10; };
    EXPECT_EQ((Bytes{0x95, 60, 100}), written(t, [&] { return MMevt_noteOn(t, at(), 5, 60, 100); }));
    EXPECT_EQ((Bytes{0x85, 60, 64}), written(t, [&] { return MMevt_noteOff(t, at(), 5, 60, 64); }));
    EXPECT_EQ((Bytes{0x95, 60, 0}), written(t, [&] { return MMevt_noteOff(t, at(), 5, 60, 0); }));
    EXPECT_EQ((Bytes{0xA5, 60, 32}), written(t, [&] { return MMevt_polyPressure(t, at(), 5, 60, 32); }));
    EXPECT_EQ((Bytes{0xB5, 7, 100}), written(t, [&] { return MMevt_control(t, at(), 5, 7, 100); }));
    EXPECT_EQ((Bytes{0xC5, 5}), written(t, [&] { return MMevt_program(t, at(), 5, 5); }));
    EXPECT_EQ((Bytes{0xD5, 33}), written(t, [&] { return MMevt_chanPressure(t, at(), 5, 33); }));
    EXPECT_EQ((Bytes{0xE5, 0x34, 0x24}), written(t, [&] { return MMevt_pitchBend(t, at(), 5, 0x1234); }));
    EXPECT_EQ((Bytes{0xFF, 0x2F, 0x00}), written(t, [&] { return MMevt_endTrack(t, at()); }));
    const uint8_t data[] = {0x41, 0x10, 0x42};
    EXPECT_EQ((Bytes{0xFF, 0x7F, 0x41, 0x10, 0x42}), written(t, [&] { return MMevt_meta(t, at(), 0x7F, 3, data); }));
    EXPECT_EQ((Bytes{0xFF, 0x06}), written(t, [&] { return MMevt_meta(t, at(), 0x06, 0, nullptr); }));
    EXPECT_EQ((Bytes{0xFF, 0x01, 'h', 'i'}), written(t, [&] { return MMevt_text(t, at(), "hi"); }));
    EXPECT_EQ((Bytes{0xFF, 0x04, 'p', 'f'}), written(t, [&] { return MMevt_instName(t, at(), "pf"); }));
    EXPECT_EQ((Bytes{0xFF, 0x05}), written(t, [&] { return MMevt_words(t, at(), ""); }));
    EXPECT_EQ((Bytes{0xF0, 0x41, 0x10, 0x42, 0xF7}), written(t, [&] { return MMevt_sysex(t, at(), 3, data); }));
    EXPECT_EQ((Bytes{0xF7, 0x41, 0x10, 0x42}), written(t, [&] { return MMevt_sysexRaw(t, at(), 3, data); }));
    EXPECT_EQ((Bytes{0xFF, 0xFF, 2, 0x34, 0x12}), written(t, [&] { return MMevt_marker(t, at(), 2, 0x1234); }));
    EXPECT_EQ(clock, t->maxClock);

    mmtrk *ctrl = ctx->ctrlTrack;
    EXPECT_EQ((Bytes{0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}),
              written(ctrl, [&] { return MMevt_tempo(ctrl, 5, 500000); }));
    const uint8_t signature[4] = {3, 3, 24, 8};
    EXPECT_EQ((Bytes{0xFF, 0x58, 0x04, 3, 3, 24, 8}),
              written(ctrl, [&] { return MMevt_signature(ctrl, 5, signature); }));
    EXPECT_EQ(1u, ctx->tempoWritten);
    EXPECT_EQ(1u, ctx->signatureWritten);

    // A channel outside 0..15 takes the track's own, through the channel map.
    EXPECT_EQ(0x93, written(t, [&] { return MMevt_noteOn(t, at(), -1, 60, 100); })[0]);
    t->chMap[3] = 2;
    EXPECT_EQ(0xE2, written(t, [&] { return MMevt_pitchBend(t, at(), 16, 8192); })[0]);
}

TEST_F(EventTest, WorkSizeCountsPayloadAndRecordAndRefusesOverlongRecords)
{
    int32_t tracksOnly = ctx->workSize;
    const uint8_t data[1000] = {};
    ASSERT_EQ(0, MMevt_noteOn(music, 0, 0, 60, 100));
    ASSERT_EQ(0, MMevt_sysex(music, 0, sizeof data, data));  // long records get their own block
    EXPECT_EQ(tracksOnly + 3 + 23 + 1002 + 23, ctx->workSize);
    ASSERT_NE(nullptr, MMevt_alloc(music, 0, 500));  // made but never filled
    EXPECT_EQ(-1, MMevt_sysex(music, 0, MM_EVENT_MAX_LENGTH, data));
    EXPECT_STREQ("Out of memory!", ctx->errMsg);
    EXPECT_EQ(nullptr, MMevt_alloc(music, 0, MM_EVENT_MAX_LENGTH + 1));
    MMevt_freeAll(music);
    EXPECT_EQ(tracksOnly, ctx->workSize);
    EXPECT_TRUE(MMevt_none(music));

    const uint8_t signature[4] = {4, 2, 24, 8};
    EXPECT_EQ(-1, MMevt_signature(music, 0, signature));
    EXPECT_STREQ("Signature meta event must set on control track!", ctx->errMsg);
    EXPECT_TRUE(MMevt_none(ctx->ctrlTrack));
    EXPECT_EQ(tracksOnly, ctx->workSize);
}

TEST_F(EventTest, MapsApplyAfterFilters)
{
    mmtrk *t = music;
    t->noteMap[60] = 61;
    t->velMap[100] = 90;
    t->progMap[5] = 7;
    t->cafMap[10] = 11;
    t->pafMap[20] = 21;
    t->ccMap[7] = 11;
    EXPECT_EQ((Bytes{0x90, 61, 90}), written(t, [&] { return MMevt_noteOn(t, 0, 0, 60, 100); }));
    EXPECT_EQ((Bytes{0x80, 61, 100}), written(t, [&] { return MMevt_noteOff(t, 0, 0, 60, 100); }));  // off velocity unmapped
    EXPECT_EQ((Bytes{0xA0, 61, 21}), written(t, [&] { return MMevt_polyPressure(t, 0, 0, 60, 20); }));
    EXPECT_EQ((Bytes{0xC0, 7}), written(t, [&] { return MMevt_program(t, 0, 0, 5); }));
    EXPECT_EQ((Bytes{0xD0, 11}), written(t, [&] { return MMevt_chanPressure(t, 0, 0, 10); }));
    EXPECT_EQ((Bytes{0xB0, 11, 100}), written(t, [&] { return MMevt_control(t, 0, 0, 7, 100); }));
    ASSERT_EQ(0, MMtrk_initCcMap(t, 7));
    t->ccvMap[7][100] = 3;
    EXPECT_EQ((Bytes{0xB0, 11, 3}), written(t, [&] { return MMevt_control(t, 0, 0, 7, 100); }));
    ASSERT_EQ(0, MMtrk_initPitchMap(t));
    t->pitchMap[8192] = 16383;
    EXPECT_EQ((Bytes{0xE0, 0x7F, 0x7F}), written(t, [&] { return MMevt_pitchBend(t, 0, 0, 8192); }));
}

TEST_F(EventTest, VelocityAndNoteFilters)
{
    mmtrk *t = music;
    EXPECT_EQ(1, velocity(0));  // the lower limit 1 at creation
    EXPECT_EQ(127, velocity(300));
    t->velF.ratio = 512;
    t->velF.offset = 10;
    MMfilter_refresh(t->velF);
    EXPECT_EQ(60, velocity(100));
    t->velF = t->noteF;  // neutral 7-bit filter
    t->velF.bits = 4;
    MMfilter_refresh(t->velF);
    EXPECT_EQ(96, velocity(100));  // mask 0x78
    t->velF.bits = 0;
    MMfilter_refresh(t->velF);
    t->velMap[0] = 77;
    EXPECT_EQ(77, velocity(5));  // every velocity becomes velMap[0]

    t->noteF.offset = 12;
    MMfilter_refresh(t->noteF);
    EXPECT_EQ(127, written(t, [&] { return MMevt_noteOff(t, 0, 0, 120, 0); })[1]);
    EXPECT_EQ(0, written(t, [&] { return MMevt_polyPressure(t, 0, 0, -40, 1); })[1]);
    t->noteF.randOn = 1;  // notes take no random term
    t->noteF.randLo = t->noteF.randHi = 5;
    MMfilter_refresh(t->noteF);
    EXPECT_EQ(72, written(t, [&] { return MMevt_noteOn(t, 0, 0, 60, 100); })[1]);
}

TEST_F(EventTest, ControllerAndPitchFilters)
{
    mmtrk *t = music;
    auto pan = [&](int v) { return written(t, [&] { return MMevt_control(t, 0, 0, 10, v); })[2]; };
    EXPECT_EQ(64, pan(0));  // values are relative to the base 64
    EXPECT_EQ(0, pan(-64));
    EXPECT_EQ(127, pan(100));
    t->ccF[10].bits = 3;  // the mask cuts the value after the base is added
    EXPECT_EQ(0x70, pan(63));

    auto bend = [&](int v) {
        Bytes b = written(t, [&] { return MMevt_pitchBend(t, 0, 0, v); });
        return b[1] | b[2] << 7;
    };
    EXPECT_EQ(16383, bend(20000));
    t->pitchF.lo = -16383;  // a negative result still indexes within 14 bits
    EXPECT_EQ(-100 & 0x3FFF, bend(-100));
}

TEST_F(EventTest, TempoGoesToControlTrackThroughGivenTracksFilter)
{
    mmtrk *ctrl = ctx->ctrlTrack;
    ASSERT_EQ(0, MMevt_tempo(music, 480, 500000));
    EXPECT_TRUE(MMevt_none(music));
    EXPECT_EQ(480u, ctrl->maxClock);
    auto tempoOf = [&](mmtrk *given, uint32_t value) {
        Bytes b = written(ctrl, [&] { return MMevt_tempo(given, 480, value); });
        return (uint32_t)(b[3] << 16 | b[4] << 8 | b[5]);
    };
    EXPECT_EQ(156250u, tempoOf(music, 100000));
    EXPECT_EQ(2500000u, tempoOf(music, 3000000));
    music->tempoF.ratio = 2048;
    EXPECT_EQ(1000000u, tempoOf(music, 500000));
    EXPECT_EQ(500000u, tempoOf(ctrl, 500000));
    music->tempoF.ratio = 1024;
    music->tempoF.offset = -1000;
    EXPECT_EQ(499000u, tempoOf(music, 500000));
    music->tempoF.offset = 0;
    music->tempoF.ratio = 1 << 30;  // a product past 32 bits clamps instead of wrapping
    EXPECT_EQ(2500000u, tempoOf(music, 500000));
}

TEST_F(EventTest, RandomTermStaysWithinBoundsGivenInEitherOrder)
{
    music->velF.randOn = 1;
    MMfilter_refresh(music->velF);
    for (auto [lo, hi] : {std::pair{7, 7}, std::pair{-10, 10}, std::pair{10, -10}, std::pair{0, 1}}) {
        music->velF.randLo = lo;
        music->velF.randHi = hi;
        for (int i = 0; i < 200; ++i) {
            int v = velocity(100);
            EXPECT_GE(v, 100 + std::min(lo, hi));
            EXPECT_LE(v, 100 + std::max(lo, hi));
        }
    }
    music->velF.randAllowed = 0;
    MMfilter_refresh(music->velF);
    EXPECT_EQ(100, velocity(100));
}

TEST_F(EventTest, FilterArithmeticDoesNotOverflow)
{
    mmfilter f = music->velF;
    f.ratio = INT32_MAX;
    EXPECT_EQ(127, MMfilter_apply(f, INT32_MAX));
    EXPECT_EQ(1, MMfilter_apply(f, INT32_MIN));
    f.ratio = -1024;  // a negative ratio mirrors the value
    f.lo = -128;
    EXPECT_EQ(-100, MMfilter_scale(f, 100));
    f.offset = INT32_MAX;
    EXPECT_EQ(127, MMfilter_scale(f, INT32_MIN));
}

TEST_F(EventTest, DelayFilter)
{
    mmtrk *t = music;
    t->delay = 2000;
    EXPECT_EQ(1024, MMevt_delay(t));  // the limit at creation
    t->delay = -3000;
    EXPECT_EQ(-1024, MMevt_delay(t));
    t->delay = 1001;
    t->delayF.ratio = 512;
    t->delayF.offset = -1;
    MMfilter_refresh(t->delayF);
    EXPECT_EQ(499, MMevt_delay(t));  // truncated, not masked
    t->delayFilterOn = 0;
    EXPECT_EQ(0, MMevt_delay(t));
}

// Tags each record with its order of writing, so the list shows where it went.
void writeTagged(mmtrk *t, uint32_t clock, uint16_t tag)
{
    const uint8_t bytes[2] = {(uint8_t)tag, (uint8_t)(tag >> 8)};
    ASSERT_EQ(0, MMevt_meta(t, clock, 0x7F, 2, bytes));
}

std::vector<uint16_t> tagsOf(mmtrk *t)
{
    std::vector<uint16_t> tags;
    for (const StoredEvent &e : eventsOf(t)) tags.push_back((uint16_t)(e.bytes[2] | e.bytes[3] << 8));
    return tags;
}

TEST_F(EventTest, TimeOrderIsTheStableSortOfWritingOrder)
{
    // Mostly close to the last clock, sometimes far back, often equal; then
    // three parts taking turns a measure at a time, their runs overlapping.
    auto scattered = [](uint16_t tag, uint32_t seed) {
        return (seed >> 16) % 7 == 0 ? (seed >> 8) % 64 : tag / 40 + (seed >> 20) % 4;
    };
    auto parts = [](uint16_t tag, uint32_t seed) { return tag / 48 * 16 + (tag % 16) + (seed >> 20) % 3; };
    for (auto clockOf : {+scattered, +parts}) {
        std::vector<std::pair<uint32_t, uint16_t>> written;
        uint32_t seed = 12345;
        for (uint16_t tag = 0; tag < 3000; ++tag) {
            seed = seed * 1103515245u + 12345u;
            uint32_t clock = clockOf(tag, seed);
            writeTagged(music, clock, tag);
            written.push_back({clock, tag});
        }
        std::stable_sort(written.begin(), written.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        std::vector<uint16_t> expected;
        for (const auto &entry : written) expected.push_back(entry.second);
        EXPECT_EQ(expected, tagsOf(music));
        MMevt_freeAll(music);
    }
}

TEST_F(EventTest, RemovedRecordsAreSkippedAndLeaveTheWorkSize)
{
    mmtrk *t = music;
    writeTagged(t, 0, 0);
    writeTagged(t, 300, 1);
    writeTagged(t, 200, 2);
    int32_t before = ctx->workSize;
    // Take out the record at 300, as the optimiser does during its walk.
    for (mmevt *e : MMevt_records(t))
        if (e->clock == 300) MMevt_free(t, e);
    EXPECT_EQ(before - (4 + MM_EVENT_WORK), ctx->workSize);
    writeTagged(t, 100, 3);
    EXPECT_EQ((std::vector<uint16_t>{0, 3, 2}), tagsOf(t));
    writeTagged(t, 50, 4);  // after sorting, records still come in any order
    EXPECT_EQ((std::vector<uint16_t>{0, 4, 3, 2}), tagsOf(t));
}

}  // namespace

// A track of notes in time order keeps them encoded; the first event that
// cannot be encoded turns them into the records they would have been, with
// the same work size, and the track keeps records from then on.
TEST_F(EventTest, EncodedNotesBecomeTheirRecords)
{
    struct Case {
        const char *why;
        std::function<int(mmtrk *)> last;      // the event that ends the encoding
        StoredEvent record;                    // what it adds
    };
    const Case cases[] = {
        {"an earlier clock", [](mmtrk *t) { return MMevt_noteOn(t, 5, 0, 70, 1); }, {5, {0x90, 70, 1}}},
        {"an event after the end", [](mmtrk *t) { return MMevt_noteOn(t, 40000, 0, 70, 1); }, {40000, {0x90, 70, 1}}},
        {"a controller", [](mmtrk *t) { return MMevt_control(t, 40000, 0, 7, 100); }, {40000, {0xB0, 7, 100}}},
        {"a longer event", [](mmtrk *t) { return MMevt_text(t, 40000, "x"); }, {40000, {0xFF, 0x01, 'x'}}},
    };
    uint32_t number = 2;
    for (const Case &c : cases) {
        mmtrk *t = track(number, ("encoded" + std::to_string(number)).c_str());
        ++number;
        int32_t before = ctx->workSize;
        // Running status, a two- and a three-byte delta, a note-off as a
        // note-on of velocity 0, and the end of track.
        ASSERT_EQ(0, MMevt_noteOn(t, 0, 0, 60, 100));
        ASSERT_EQ(0, MMevt_noteOff(t, 200, 0, 60, 0));
        ASSERT_EQ(0, MMevt_noteOff(t, 200, 1, 61, 64));
        ASSERT_EQ(0, MMevt_noteOn(t, 20000, 1, 62, 90));
        ASSERT_EQ(0, MMevt_endTrack(t, 30000));
        EXPECT_TRUE(MMevt_isEncoded(t)) << c.why;
        EXPECT_FALSE(MMevt_none(t));
        EXPECT_EQ(before + 5 * (3 + MM_EVENT_WORK), ctx->workSize) << c.why;
        ASSERT_EQ(0, c.last(t));
        EXPECT_FALSE(MMevt_isEncoded(t)) << c.why;
        std::vector<StoredEvent> expected = {{0, {0x90, 60, 100}}, {200, {0x90, 60, 0}}, {200, {0x81, 61, 64}},
                                             {20000, {0x91, 62, 90}}, {30000, {0xFF, 0x2F, 0}}};
        expected.insert(std::upper_bound(expected.begin(), expected.end(), c.record,
                                         [](const StoredEvent &a, const StoredEvent &b) { return a.clock < b.clock; }),
                        c.record);
        EXPECT_EQ(expected, eventsOf(t)) << c.why;
        int32_t work = 0;
        for (const StoredEvent &e : expected) work += (int32_t)e.bytes.size() + MM_EVENT_WORK;
        EXPECT_EQ(before + work, ctx->workSize) << c.why;
    }
}
