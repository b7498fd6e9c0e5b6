#include "import/midi_import.h"

#include <sys/stat.h>

#include <cstring>
#include <limits>
#include <vector>

#include "base/byte_reader.h"
#include "base/messages.h"
#include "store/event_writers.h"
#include "store/filter.h"

// The messages of the import exist in English only.

namespace {

constexpr const char *kImportError = "Track data import error!";
constexpr size_t kHeaderMin = 6;     // format, chunk count, division
constexpr uint8_t kMetaEndTrack = 0x2F;
constexpr uint8_t kMetaTempo = 0x51;
constexpr uint8_t kMetaSignature = 0x58;
constexpr uint32_t kTempoLength = 3;
// Clocks are unsigned 32-bit from the song start.
constexpr uint64_t kClockMax = std::numeric_limits<uint32_t>::max();
// Ticks beyond this cannot give a clock in range at any division, and
// stopping there keeps the product with the song's division within 64 bits.
constexpr uint64_t kTicksMax = kClockMax << 16;

// Steps past the next occurrence of the four bytes `tag`. A mismatch starts
// the comparison again with the byte after it.
bool findTag(MMbyteReader &in, const char *tag)
{
    int matched = 0;
    while (matched < 4) {
        uint8_t b;
        if (!in.byte(&b)) return false;
        matched = b == (uint8_t)tag[matched] ? matched + 1 : 0;
    }
    return true;
}

struct Import {
    mmctx *ctx;
    mmtrk *track;
    const MMimp_options &options;
    uint32_t fileDivision;
    bool controlTrack;
};

int importError(mmctx *ctx) { return MM_setErr(ctx, kImportError); }

int fileError(mmctx *ctx, const char *name)
{
    MM_setErrMsg(ctx, "Track data import file error! (%s)", name);
    return -1;
}

// The song clock of a tick of the file: scaled to the song's division and
// placed at the track's measure start and delay. False when it lies beyond
// the song's time range.
bool clockOf(const Import &in, uint64_t ticks, uint32_t *clock)
{
    int64_t scaled = (int64_t)(ticks * (uint64_t)in.ctx->division / in.fileDivision);
    int64_t value = scaled + in.track->measureClock + MMevt_delay(in.track);
    if (value < 0) value = 0;
    if ((uint64_t)value > kClockMax) return false;
    *clock = (uint32_t)value;
    return true;
}

int readMeta(const Import &in, MMbyteReader &chunk, uint32_t clock, int chunkIndex, bool *ended)
{
    uint8_t type;
    uint32_t length;
    if (!chunk.byte(&type) || !chunk.quantity(&length)) return importError(in.ctx);
    const uint8_t *data = chunk.bytes + chunk.pos;
    if (!chunk.skip(length)) return importError(in.ctx);
    switch (type) {
    case kMetaEndTrack:
        *ended = true;
        return 0;
    case kMetaTempo:
        if (length != kTempoLength) return importError(in.ctx);
        if (chunkIndex != 0 || !in.controlTrack || !in.options.classOn[MMIMP_TEMPO]) return 0;
        return MMevt_tempo(in.track, clock, (uint32_t)data[0] << 16 | (uint32_t)data[1] << 8 | data[2]);
    case kMetaSignature:
        return 0;
    default:
        if (!in.options.classOn[MMIMP_META]) return 0;
        return MMevt_meta(in.track, clock, type, length, data);
    }
}

int readExclusive(const Import &in, MMbyteReader &chunk, uint32_t clock, uint8_t status)
{
    uint32_t length;
    if (!chunk.quantity(&length)) return importError(in.ctx);
    const uint8_t *data = chunk.bytes + chunk.pos;
    if (!chunk.skip(length)) return importError(in.ctx);
    if (status != 0xF0 || !in.options.classOn[MMIMP_EXCL]) return 0;
    // The file's message ends in its own F7; the writer closes it again.
    if (length > 0 && data[length - 1] == 0xF7) --length;
    return MMevt_sysex(in.track, clock, length, data);
}

int readChannelMessage(const Import &in, MMbyteReader &chunk, uint32_t clock, uint8_t status)
{
    int kind = status & 0xF0;
    int channel = status & 0x0F;
    int dataCount = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
    uint8_t data[2] = {0, 0};
    for (int i = 0; i < dataCount; ++i)
        if (!chunk.byte(&data[i]) || data[i] >= 0x80) return importError(in.ctx);

    const MMimp_options &options = in.options;
    if (options.sourceChannel != MMIMP_ALL && options.sourceChannel != channel) return 0;
    mmtrk *track = in.track;
    switch (kind) {
    case 0x80:
    case 0x90:
        if (!options.classOn[MMIMP_NOTE]) return 0;
        if (kind == 0x90 && data[1] != 0) return MMevt_noteOn(track, clock, channel, data[0], data[1]);
        return MMevt_noteOff(track, clock, channel, data[0], data[1]);
    case 0xA0:
        if (!options.classOn[MMIMP_PAF]) return 0;
        return MMevt_polyPressure(track, clock, channel, data[0], data[1]);
    case 0xB0:
        if (!options.ccOn[data[0]]) return 0;
        // The writer adds the track's value base; the file's value is absolute.
        return MMevt_control(track, clock, channel, data[0], data[1] - track->ccBase[data[0]]);
    case 0xC0:
        if (!options.classOn[MMIMP_PROG]) return 0;
        return MMevt_program(track, clock, channel, data[0]);
    case 0xD0:
        if (!options.classOn[MMIMP_CAF]) return 0;
        return MMevt_chanPressure(track, clock, channel, data[0]);
    default:
        if (!options.classOn[MMIMP_PITCH]) return 0;
        return MMevt_pitchBend(track, clock, channel, data[1] * 128 + data[0]);
    }
}

int readChunk(const Import &in, MMbyteReader chunk, int chunkIndex)
{
    uint64_t ticks = 0;
    uint8_t runningStatus = 0;
    bool ended = false;
    while (!ended && chunk.pos < chunk.end) {
        uint32_t delta;
        if (!chunk.quantity(&delta)) return importError(in.ctx);
        ticks += delta;
        uint32_t clock;
        if (ticks > kTicksMax || !clockOf(in, ticks, &clock)) return importError(in.ctx);

        uint8_t status;
        if (!chunk.byte(&status)) return importError(in.ctx);
        if (status < 0x80) {
            // A data byte: the previous channel status runs on.
            if (runningStatus == 0) return importError(in.ctx);
            --chunk.pos;
            status = runningStatus;
        }
        int result = 0;
        if (status == 0xFF)
            result = readMeta(in, chunk, clock, chunkIndex, &ended);
        else if (status == 0xF0 || status == 0xF7)
            result = readExclusive(in, chunk, clock, status);
        else if (status > 0xF0)
            continue;  // a message without data, dropped
        else {
            runningStatus = status;
            result = readChannelMessage(in, chunk, clock, status);
        }
        if (result < 0) return -1;
    }
    return 0;
}

}  // namespace

void MMimp_defaults(MMimp_options *options, bool controlTrack)
{
    options->sourceTrack = controlTrack ? 0 : MMIMP_ALL;
    options->sourceChannel = MMIMP_ALL;
    options->classOn.fill(!controlTrack);
    options->ccOn.fill(!controlTrack);
}

int MMimp_readBytes(mmctx *ctx, mmtrk *track, const uint8_t *bytes, size_t size, const MMimp_options &options)
{
    MMbyteReader file{bytes, 0, size};
    uint32_t headerLength, format, chunkCount, division;
    if (!findTag(file, "MThd") || !file.big(4, &headerLength) || headerLength < kHeaderMin) return importError(ctx);
    if (!file.big(2, &format) || !file.big(2, &chunkCount) || !file.big(2, &division) ||
        !file.skip(headerLength - kHeaderMin))
        return importError(ctx);
    // Time-code divisions (top bit set) count frames, not quarter notes.
    if (format > 1 || division == 0 || (division & 0x8000)) return importError(ctx);

    Import in{ctx, track, options, division, track == ctx->ctrlTrack};
    for (uint32_t index = 0; index < chunkCount; ++index) {
        uint32_t length;
        if (!findTag(file, "MTrk") || !file.big(4, &length)) return importError(ctx);
        MMbyteReader chunk{bytes, file.pos, file.pos};
        if (!file.skip(length)) return importError(ctx);
        chunk.end = file.pos;
        if (options.sourceTrack != MMIMP_ALL && (format != 1 || index != (uint32_t)options.sourceTrack)) continue;
        if (readChunk(in, chunk, (int)index) < 0) return -1;
    }
    return 0;
}

int MMimp_readFile(mmctx *ctx, mmtrk *track, const char *name, const MMimp_options &options, MMimp_opener open)
{
    // Only a plain file is read: a directory, a device or a pipe would fail,
    // never end or block the open itself.
    struct stat info;
    if (stat(name, &info) == 0 && !S_ISREG(info.st_mode)) return fileError(ctx, name);
    FILE *fp = open(ctx, name, "rb");
    if (!fp) return fileError(ctx, name);
    std::vector<uint8_t> bytes;
    bool plain = fstat(fileno(fp), &info) == 0 && S_ISREG(info.st_mode);
    if (plain) {
        uint8_t block[16384];
        size_t got;
        while ((got = fread(block, 1, sizeof block, fp)) > 0) bytes.insert(bytes.end(), block, block + got);
        plain = !ferror(fp);
    }
    fclose(fp);
    if (!plain) return fileError(ctx, name);
    return MMimp_readBytes(ctx, track, bytes.data(), bytes.size(), options);
}
