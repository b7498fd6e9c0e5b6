// Track commands `@NAME(...)`: the command table, the reading of a command
// and the commands that write one event or set the track's delay.
#include "mml/track_command.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/limits.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "mml/assign.h"
#include "mml/part_params.h"
#include "mml/track_filter.h"
#include "output/optimizer_settings.h"
#include "script/zyl.h"
#include "store/event_writers.h"
#include "store/track.h"

// The error texts of the track commands exist in English only, whatever the
// message language, but for the two that come from the message table.

namespace {

constexpr int kNameMax = 126;  // characters of a command name

int fail(mmctx *ctx, const char *message) { return MM_setErr(ctx, message); }

// A note argument: 0..127, or a letter a..g with an octave -1..9; what
// follows the note is ignored. -1 when it is no note.
int noteArg(const char *text)
{
    const char *cursor = text;
    return MM_getNote(&cursor);
}

bool inRange(int32_t value, int32_t lo, int32_t hi) { return value >= lo && value <= hi; }

// Data bytes from arguments `first`..argc-1, each in 0..`max`.
bool readBytes(int argc, char **argv, int first, int32_t max, std::vector<uint8_t> &bytes)
{
    for (int i = first; i < argc; ++i) {
        int32_t value = MMtcmd_int(argv[i]);
        if (!inRange(value, 0, max)) return false;
        bytes.push_back((uint8_t)value);
    }
    return true;
}

int tempo(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (part->track != ctx->ctrlTrack) return fail(ctx, MM_text(MSG_TEMPO_WITHOUT_CTRL));
    if (argc < 1 || MMtcmd_int(argv[0]) < 1) return fail(ctx, "Track tempo error!");
    return MMevt_tempo(part->track, MMpart_time(part), (uint32_t)MMtcmd_int(argv[0]));
}

int delay(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1 || !inRange(MMtcmd_int(argv[0]), -65535, 65535)) return fail(ctx, "Track delay error!");
    part->track->delay = MMtcmd_int(argv[0]);
    return 0;
}

int noteOn(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 2) return fail(ctx, "Track note-on error!");
    int note = noteArg(argv[0]);
    int32_t velocity = MMtcmd_int(argv[1]);
    if (note < 0 || !inRange(velocity, 1, 127)) return fail(ctx, "Track note-on error!");
    return MMevt_noteOn(part->track, MMpart_time(part), (int32_t)part->channel, note, velocity);
}

int noteOff(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 2) return fail(ctx, "Track note-off error!");
    int note = noteArg(argv[0]);
    int32_t velocity = MMtcmd_int(argv[1]);
    if (note < 0 || !inRange(velocity, 0, 127)) return fail(ctx, "Track note-off error!");
    return MMevt_noteOff(part->track, MMpart_time(part), (int32_t)part->channel, note, velocity);
}

int control(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 2) return fail(ctx, "Track control change error!");
    int32_t controller = MMtcmd_int(argv[0]);
    if (!inRange(controller, 0, MM_CONTROLLER_MAX)) return fail(ctx, "Track control change error!");
    mmtrk *track = part->track;
    int32_t base = track->ccBase[controller];
    int32_t value = MMtcmd_int(argv[1]);
    if (!inRange(value, -base, MM_CONTROLLER_MAX - base)) return fail(ctx, "Track control change error!");
    track->ccValue[controller] = (uint8_t)(base + value);
    return MMevt_control(track, MMpart_time(part), (int32_t)part->channel, controller, value);
}

int pitch(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1 || !inRange(MMtcmd_int(argv[0]), MM_PITCH_MIN, MM_PITCH_MAX))
        return fail(ctx, "Track pitchbend error!");
    int32_t bend = MMtcmd_int(argv[0]) + MM_PITCH_CENTRE;
    part->track->lastPitch = (uint32_t)bend;
    return MMevt_pitchBend(part->track, MMpart_time(part), (int32_t)part->channel, bend);
}

int program(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1 || !inRange(MMtcmd_int(argv[0]), 1, 128)) return fail(ctx, "Track program change error!");
    return MMevt_program(part->track, MMpart_time(part), (int32_t)part->channel, MMtcmd_int(argv[0]) - 1);
}

int channelPressure(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1 || !inRange(MMtcmd_int(argv[0]), 0, 127)) return fail(ctx, "Track channel-after-touch error!");
    return MMevt_chanPressure(part->track, MMpart_time(part), (int32_t)part->channel, MMtcmd_int(argv[0]));
}

int polyPressure(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 2) return fail(ctx, "Track polyphonic-after-touch error!");
    int note = noteArg(argv[0]);
    int32_t pressure = MMtcmd_int(argv[1]);
    if (note < 0 || !inRange(pressure, 0, 127)) return fail(ctx, "Track polyphonic-after-touch error!");
    return MMevt_polyPressure(part->track, MMpart_time(part), (int32_t)part->channel, note, pressure);
}

int exclusive(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    std::vector<uint8_t> bytes;
    if (argc < 1 || !readBytes(argc, argv, 0, 127, bytes)) return fail(ctx, "Track system exclusive message error!");
    return MMevt_sysex(part->track, MMpart_time(part), (uint32_t)bytes.size(), bytes.data());
}

int exclusiveRaw(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    std::vector<uint8_t> bytes;
    if (argc < 1 || !readBytes(argc, argv, 0, 255, bytes))
        return fail(ctx, "Track system exclusive 2 message error!");
    return MMevt_sysexRaw(part->track, MMpart_time(part), (uint32_t)bytes.size(), bytes.data());
}

int text(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1) return fail(ctx, "Track text event error!");
    return MMevt_text(part->track, MMpart_time(part), argv[0]);
}

int instrumentName(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1) return fail(ctx, "Track insturment name error!");
    return MMevt_instName(part->track, MMpart_time(part), argv[0]);
}

int words(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1) return fail(ctx, "Track words event error!");
    return MMevt_words(part->track, MMpart_time(part), argv[0]);
}

constexpr int32_t kMetaBinary = 0, kMetaText = 1;
constexpr std::array<MMname, 4> kMetaKinds{{
    {"bin", kMetaBinary},
    {"binary", kMetaBinary},
    {"text", kMetaText},
    {"txt", kMetaText},
}};
static_assert(MM_namesSorted(kMetaKinds));

// End of track, tempo and time signature are the compiler's own.
bool userMetaType(int32_t type) { return inRange(type, 0, 127) && type != 0x2F && type != 0x51 && type != 0x58; }

int meta(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    constexpr const char *kError = "Track meta event error!";
    if (argc < 3) return fail(ctx, kError);
    int32_t type = MMtcmd_int(argv[0]);
    int32_t kind = MM_lookupName(argv[1], kMetaKinds);
    if (!userMetaType(type) || kind < 0) return fail(ctx, kError);
    if (kind == kMetaText)
        return MMevt_meta(part->track, MMpart_time(part), type, (uint32_t)strlen(argv[2]), (const uint8_t *)argv[2]);
    std::vector<uint8_t> bytes;
    if (!readBytes(argc, argv, 2, 255, bytes)) return fail(ctx, kError);
    return MMevt_meta(part->track, MMpart_time(part), type, (uint32_t)bytes.size(), bytes.data());
}

int end(mmctx *, mmpart *part, int, char **)
{
    part->track->partsEnded = 1;
    return 0;
}

int optimizer(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    uint32_t time = MMpart_time(part);
    return MMopt_command(ctx, part->track, time, argc, argv);
}

// The script function is `int name(void *ctx, void *track, unsigned time,
// int argc, char **argv)` with the arguments after the name; a function that
// no script defines, or one that fails, stops the compile.
int call(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 1) return fail(ctx, MM_text(MSG_TRACK_ZYL_CALL));
    uint32_t time = MMpart_time(part);
    int result = ZYL_exec(argv[0], 5, ctx, part->track, (intptr_t)time, (intptr_t)(argc - 1), argv + 1);
    if (result == 0) return 0;
    if (ctx->errMsg) return -1;
    // A build without the script engine says why no script could run.
    const char *engineText = ZYL_getErrMsg();
    return MM_setErr(ctx, engineText && engineText[0] ? engineText : MM_text(MSG_TRACK_ZYL_CALL));
}

struct TrackCommand {
    const char *name;
    MMtcmdHandler run;
};

constexpr std::array<TrackCommand, 21> kCommands{{
    {"CAF", channelPressure},
    {"CALL", call},
    {"CC", control},
    {"DELAY", delay},
    {"END", end},
    {"EXCL", exclusive},
    {"EXCL2", exclusiveRaw},
    {"FILTER", MMtcmd_filter},
    {"INSTNAME", instrumentName},
    {"META", meta},
    {"NOTEASN", MMtcmd_noteAssign},
    {"NOTEOFF", noteOff},
    {"NOTEON", noteOn},
    {"OPT", optimizer},
    {"PAF", polyPressure},
    {"PITCH", pitch},
    {"PROG", program},
    {"PROGASN", MMtcmd_programAssign},
    {"TEMPO", tempo},
    {"TEXT", text},
    {"WORDS", words},
}};
static_assert(MM_namesSorted(kCommands), "track commands must be sorted by name");

}  // namespace

int32_t MMtcmd_int(const char *text)
{
    const char *p = text;
    while (MM_isBlank((unsigned char)*p)) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    int64_t value = 0;
    for (; MM_isAsciiDigit((unsigned char)*p); ++p)
        if (value <= INT32_MAX) value = value * 10 + (*p - '0');
    if (negative) value = -value;
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : (int32_t)value;
}

int MMmml_trackCommand(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    MM_skipBlanks(cursor);
    const char *nameStart = *cursor;
    const char *p = nameStart;
    if (MM_isAsciiAlpha((unsigned char)*p))
        while (p - nameStart < kNameMax && (MM_isAsciiAlpha((unsigned char)*p) || MM_isAsciiDigit((unsigned char)*p) || *p == '_'))
            ++p;
    if (p == nameStart || *p != '(') {
        ctx->errPoint = nameStart;
        return fail(ctx, "Track command error!");
    }
    // The name ends at the parenthesis, which the word comparison does not
    // take for an end: compare a copy.
    char name[kNameMax + 1];
    memcpy(name, nameStart, (size_t)(p - nameStart));
    name[p - nameStart] = '\0';
    *cursor = p;
    char **argv = nullptr;
    int argc = MM_splitList(cursor, &argv);
    const TrackCommand *command = MM_findName(kCommands, name);
    if (!command) {
        MM_freeList(argc, argv);
        ctx->errPoint = nameStart;
        return fail(ctx, "Track command error!");
    }
    int result = command->run(ctx, part, argc, argv);
    MM_freeList(argc, argv);
    return result;
}

void MMtcmd_endLine(mmctx *ctx, mmtrk *track)
{
    if (!track->partsEnded) return;
    track->partsEnded = 0;
    MMtrk_close(ctx, track);
}
