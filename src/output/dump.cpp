#include "output/dump.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "base/limits.h"
#include "base/messages.h"
#include "store/event.h"
#include "store/track.h"
#include "store/work.h"

namespace {

constexpr const char *kBoxLine = "    +--------------------------------------------------------------+";
constexpr const char *kHeadLine = "    |meas| beat: step|ch| event                                    |";
constexpr const char *kRuleLine = "    |----+-----------+--+------------------------------------------|";

constexpr int kSysexBytesPerLine = 8;
constexpr size_t kTextWidth = 27;        // text events are cut to the width of their column
constexpr size_t kInstNameWidth = 22;
constexpr uint8_t kClearMarkKind = 0x10; // the optimizer's clear marker
constexpr uint32_t kMicrosecondsPerMinute = 60000000;

constexpr std::array<const char *, 12> kNoteNames = {"C ", "C#", "D ", "D#", "E ", "F ",
                                                     "F#", "G ", "G#", "A ", "A#", "B "};

// Controller names as the listing has always printed them, spelling included.
constexpr std::pair<int, const char *> kNamedControllers[] = {
    {0, "Bank select"},        {1, "Moduration"},         {2, "Breath control"},
    {4, "Foot control"},       {5, "Portament time"},     {6, "Data entry"},
    {7, "Volume"},             {8, "Blance control"},     {10, "Panpot"},
    {11, "Expression"},        {16, "General purpose 1"}, {17, "General purpose 2"},
    {18, "General purpose 3"}, {19, "General purpose 4"}, {32, "bank select"},
    {33, "moduration"},        {34, "breath control"},    {36, "foot control"},
    {37, "portament time"},    {38, "data entry"},        {39, "volume"},
    {40, "balnce control"},    {42, "panpot"},            {43, "expression"},
    {64, "Hold1 (sustain)"},   {65, "Portament"},         {66, "Sostenute"},
    {67, "Soft pedal"},        {69, "Hold2 (freeze)"},    {80, "General purpose 5"},
    {81, "General purpose 6"}, {82, "General purpose 7"}, {83, "General purpose 8"},
    {84, "Legato control"},    {91, "Effect depth"},      {92, "Tremolo depth"},
    {93, "Chorus depth"},      {94, "Celesta depth"},     {95, "Phaser depth"},
    {96, "Data inc."},         {97, "Data dec."},         {98, "NRPN LSB"},
    {99, "NRPN MSB"},          {100, "RPN LSB"},          {101, "RPN MSB"},
    {121, "Reset all ctr."},   {122, "Local control"},    {123, "All note off"},
    {124, "Omni mode off"},    {125, "Omni mode on"},     {126, "Mono mode"},
    {127, "Poly mode on"},
};

constexpr std::array<const char *, 128> kControllerNames = [] {
    std::array<const char *, 128> names{};
    names.fill("");
    for (const auto &[number, name] : kNamedControllers) names[(size_t)number] = name;
    return names;
}();

// A record's byte `i`, or 0 past its end: a short record never reads past
// its payload.
uint8_t byteAt(const mmevt *e, uint32_t i)
{
    return i < e->length() ? e->data()[i] : 0;
}

struct NoteName {
    char text[16];
};

// Note numbers are 7-bit: "C -1" to "G 9".
NoteName noteName(int note)
{
    NoteName name;
    note &= 127;
    snprintf(name.text, sizeof name.text, "%s%d", kNoteNames[(size_t)(note % 12)], note / 12 - 1);
    return name;
}

// A time signature of the control track: where it starts, numerator and
// denominator power.
struct Signature {
    uint32_t clock;
    uint8_t numerator;
    uint8_t power;
};

bool isSignature(const mmevt *e)
{
    return e->length() >= 5 && e->data()[0] == 0xFF && e->data()[1] == 0x58;
}

// The measure, beat and step of the events of one track, walked in time
// order. Each signature takes effect from its own time, so a track silent
// across a signature change counts every stretch of time once.
class MeasureCounter {
public:
    MeasureCounter(int32_t division, uint8_t numerator, uint8_t power, const std::vector<Signature> &signatures)
        : division_(division > 0 ? (uint32_t)division : 0), signatures_(signatures)
    {
        setSignature(numerator, power);
    }

    // Moves to `clock`; true when it lies in a later measure than the last one.
    bool moveTo(uint32_t clock)
    {
        bool advanced = false;
        while (next_ < signatures_.size() && signatures_[next_].clock <= clock) {
            const Signature &s = signatures_[next_++];
            advanced |= advanceTo(s.clock);
            start_ = s.clock;
            setSignature(s.numerator, s.power);
        }
        advanced |= advanceTo(clock);
        clock_ = clock;
        return advanced;
    }

    int measure() const { return (int)measure_; }
    int beat() const
    {
        uint32_t offset = clock_ - start_;
        return beatLength_ && numerator_ ? (int)((offset / beatLength_) % numerator_ + 1) : 1;
    }
    int step() const { return division_ ? (int)((clock_ - start_) % division_) : 0; }

private:
    void setSignature(uint8_t numerator, uint8_t power)
    {
        numerator_ = numerator;
        measureLength_ = MM_measureLength(division_, numerator, power);
        beatLength_ = numerator ? measureLength_ / numerator : 0;
    }

    // Whole measures between the measure start and `clock`; a measure of no
    // length (numerator 0) never ends.
    bool advanceTo(uint32_t clock)
    {
        if (!measureLength_ || clock < start_ || clock - start_ < measureLength_) return false;
        uint64_t measures = (clock - start_) / measureLength_;
        measure_ += (uint32_t)measures;
        start_ += (uint32_t)(measures * measureLength_);
        return true;
    }

    uint32_t division_;
    const std::vector<Signature> &signatures_;
    size_t next_ = 0;
    uint32_t measure_ = 1;
    uint32_t start_ = 0;
    uint32_t clock_ = 0;
    uint32_t numerator_ = 0;
    uint64_t measureLength_ = 0;
    uint64_t beatLength_ = 0;
};

// In file mode the records live in the work file, except while a track is
// written or listed.
int loadTrack(mmctx *ctx, mmtrk *track)
{
    if (ctx->workMode == 1 && MMwork_load(track) < 0) {
        MMevt_freeAll(track);
        return -1;
    }
    if (MMevt_order(track)) return 0;
    return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
}

void releaseTrack(mmctx *ctx, mmtrk *track)
{
    if (ctx->workMode == 1) MMevt_freeAll(track);
}

std::vector<Signature> controlSignatures(mmctx *ctx)
{
    std::vector<Signature> signatures;
    mmtrk *ctrl = ctx->ctrlTrack;
    if (!ctrl || loadTrack(ctx, ctrl) < 0) return signatures;
    for (const mmevt *e : MMevt_records(ctrl))
        if (isSignature(e)) signatures.push_back({e->clock, e->data()[3], e->data()[4]});
    releaseTrack(ctx, ctrl);
    return signatures;
}

void sysexLines(mmctx *ctx, const mmevt *e)
{
    uint32_t count = e->length() > 1 ? e->length() - 1 : 0;
    if (count && e->data()[e->length() - 1] == 0xF7) --count;
    for (uint32_t first = 0; first < count; first += kSysexBytesPerLine) {
        char hex[kSysexBytesPerLine][3] = {};
        for (uint32_t i = 0; i < kSysexBytesPerLine && first + i < count; ++i)
            snprintf(hex[i], sizeof hex[i], "%02X", e->data()[1 + first + i]);
        MM_msgf(ctx, MSGC_DUMP, "    |    |     :     |  |                  %2s %2s %2s %2s %2s %2s %2s %2s |",
                hex[0], hex[1], hex[2], hex[3], hex[4], hex[5], hex[6], hex[7]);
    }
}

// The payload of a text meta event, cut to `width` characters.
void metaText(const mmevt *e, size_t width, char *out)
{
    size_t length = e->length() > 2 ? std::min<size_t>(e->length() - 2, width) : 0;
    memcpy(out, e->data() + 2, length);
    out[length] = '\0';
}

void metaLine(mmctx *ctx, const mmevt *e, int meas, int beat, int step)
{
    char text[kTextWidth + 1];
    switch (byteAt(e, 1)) {
    case 0x01:
        metaText(e, kTextWidth, text);
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| Text event : %-27s |", meas, beat, step, text);
        break;
    case 0x04:
        metaText(e, kInstNameWidth, text);
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| Insturment name : %-22s |", meas, beat, step, text);
        break;
    case 0x2F:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| End of track                             |", meas, beat, step);
        break;
    case 0x51: {
        uint32_t tempo = (uint32_t)byteAt(e, 3) << 16 | (uint32_t)byteAt(e, 4) << 8 | byteAt(e, 5);
        // An imported file may hold a tempo of 0: it shows as 0 beats per minute.
        int bpm = tempo ? (int)(kMicrosecondsPerMinute / tempo) : 0;
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| Tempo                (%8ld msec) %3d |", meas, beat, step,
                (long)tempo, bpm);
        break;
    }
    case 0x58: {
        uint8_t power = byteAt(e, 4);
        int denominator = power < 31 ? 1 << power : 0;
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| Signature                          %2d/%-2d |", meas, beat, step,
                byteAt(e, 3), denominator);
        break;
    }
    case 0xFF:
        if (byteAt(e, 2) == kClearMarkKind)
            MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| Optimize buffer all clear                |", meas, beat, step);
        break;
    default:
        break;
    }
}

void eventLine(mmctx *ctx, const mmevt *e, int meas, int beat, int step)
{
    uint8_t status = e->data()[0];
    int channel = (status & 15) + 1;
    uint8_t data1 = byteAt(e, 1), data2 = byteAt(e, 2);
    switch (status & 0xF0) {
    case 0x90:
        if (data2 > 0) {
            MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Note on                %3s (%3d) vel:%3d |", meas, beat, step,
                    channel, noteName(data1).text, data1, data2);
            break;
        }
        [[fallthrough]];
    case 0x80:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Note off               %3s (%3d) vel:%3d |", meas, beat, step,
                channel, noteName(data1).text, data1, data2);
        break;
    case 0xA0:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Polyphonic after touch %3s (%3d) prs:%3d |", meas, beat, step,
                channel, noteName(data1).text, data1, data2);
        break;
    case 0xB0:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Control change %3d %-17s %3d |", meas, beat, step, channel, data1,
                kControllerNames[data1 & 127], data2);
        break;
    case 0xC0:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Program change                       %3d |", meas, beat, step,
                channel, data1 + 1);
        break;
    case 0xD0:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Channel after touch              prs:%3d |", meas, beat, step,
                channel, data1);
        break;
    case 0xE0:
        MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|%2d| Pitchbend                          %5d |", meas, beat, step, channel,
                (data2 - 64) * 128 + data1);
        break;
    case 0xF0:
        if (status == 0xF0) {
            MM_msgf(ctx, MSGC_DUMP, "    |%4d| %4d:%5d|--| System exclusive message                 |", meas, beat, step);
            sysexLines(ctx, e);
        } else if (status == 0xFF) {
            metaLine(ctx, e, meas, beat, step);
        }
        break;
    default:
        break;
    }
}

int dumpTrack(mmctx *ctx, mmtrk *track, const std::vector<Signature> &signatures)
{
    if (loadTrack(ctx, track) < 0) return -1;
    MM_msg(ctx, MSGC_DUMP, "");
    if (track->number == 0)
        MM_msgf(ctx, MSGC_DUMP, "    Track ctrl : ch.%02d ", (int)track->channel + 1);
    else
        MM_msgf(ctx, MSGC_DUMP, "    Track %4d : ch.%2d ", (int)track->number, (int)track->channel + 1);
    MM_msg(ctx, MSGC_DUMP, kBoxLine);
    MM_msg(ctx, MSGC_DUMP, kHeadLine);
    MM_msg(ctx, MSGC_DUMP, kRuleLine);
    MeasureCounter counter(ctx->division, ctx->signature[0], ctx->signature[1], signatures);
    for (const mmevt *e : MMevt_records(track)) {
        if (counter.moveTo(e->clock)) MM_msg(ctx, MSGC_DUMP, kRuleLine);
        if (e->length()) eventLine(ctx, e, counter.measure(), counter.beat(), counter.step());
    }
    MM_msg(ctx, MSGC_DUMP, kBoxLine);
    releaseTrack(ctx, track);
    return 0;
}

}  // namespace

void MM_dumpListing(mmctx *ctx)
{
    std::vector<mmtrk *> tracks;
    MMtrk_each(ctx, [&](mmtrk *t) {
        tracks.push_back(t);
        return 0;
    });
    std::sort(tracks.begin(), tracks.end(), [](const mmtrk *a, const mmtrk *b) { return a->number < b->number; });
    std::vector<Signature> signatures = controlSignatures(ctx);
    // A track whose work file cannot be read back is left out; the others
    // are still listed.
    for (mmtrk *track : tracks) dumpTrack(ctx, track, signatures);
    MM_msg(ctx, MSGC_DUMP, "");
}
