// Letter-map commands: a letter bound to a parameter command sets the value
// (`v100`, `v'-10`, `v*90..110`) or, followed by `#`, the offsetter of that
// parameter (`v#-20`).
#include <array>
#include <cstdio>

#include "base/command_names.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/command.h"
#include "mml/part_params.h"
#include "store/track.h"

// The fixed command names and the error texts written as literals in this file
// exist in English only, whatever the message language.

namespace {

// What a mapped command does once its value is parsed.
enum class Action { None, Plain, Tempo, Channel, Clock, Program, Pitch, Caf, Paf, Control };

struct MappedCommand {
    Action action;
    MMmsgId name;           // message name in both languages...
    const char *fixedName;  // ...or one text for both, when set
    MMparam record;
    bool checked;           // value form: check and clamp to lo..hi
    int32_t lo, hi;
    int32_t offLo, offHi;   // offsetter range
};

constexpr int32_t kClockBars = 32;
constexpr int32_t kLastCode = MMCMD_PAFPRES;

constexpr MappedCommand kNone{Action::None, MSG_NAME_TEMPO, nullptr, MMP_TEMPO, false, 0, 0, 0, 0};

constexpr std::array<MappedCommand, kLastCode + 1> makeCommands()
{
    std::array<MappedCommand, kLastCode + 1> c{};
    for (MappedCommand &m : c) m = kNone;
    c[MMCMD_TEMPO] = {Action::Tempo, MSG_NAME_TEMPO, nullptr, MMP_TEMPO, false, 0, 0, -496, 496};
    c[MMCMD_CHANNEL] = {Action::Channel, MSG_NAME_CHANNEL, nullptr, MMP_TEMPO, false, 0, 0, 0, 0};
    c[MMCMD_DELAY] = {Action::Plain, MSG_NAME_DELAY, nullptr, MMP_DELAY, false, 0, 0, -32767, 32767};
    c[MMCMD_CLOCK] = {Action::Clock, MSG_NAME_CLOCK, nullptr, MMP_TEMPO, false, 0, 0, 0, 0};
    c[MMCMD_KEYSHIFT] = {Action::Plain, MSG_NAME_KEYSHIFT, nullptr, MMP_KEYSHIFT, false, 0, 0, -127, 127};
    c[MMCMD_OCTAVE] = {Action::Plain, MSG_NAME_OCTAVE, nullptr, MMP_OCTAVE, false, 0, 0, -10, 10};
    c[MMCMD_VELOCITY] = {Action::Plain, MSG_NAME_VELOCITY, nullptr, MMP_VELOCITY, true, 1, 127, -127, 127};
    c[MMCMD_OFFVELOCITY] = {Action::Plain, MSG_NAME_OFFVEL, nullptr, MMP_OFFVEL, true, 0, 127, -127, 127};
    c[MMCMD_STEP] = {Action::Plain, MSG_NAME_STEP, nullptr, MMP_STEP, false, 0, 0, -65535, 65535};
    c[MMCMD_GATERATIO] = {Action::Plain, MSG_NAME_GATERATIO, nullptr, MMP_GATERATIO, false, 0, 0, -1000, 1000};
    c[MMCMD_GATE] = {Action::Plain, MSG_NAME_GATE, nullptr, MMP_GATE, false, 0, 0, -65535, 65535};
    c[MMCMD_PROGRAM] = {Action::Program, MSG_NAME_PROGRAM, nullptr, MMP_PROGRAM, false, 0, 0, -127, 127};
    c[MMCMD_PITCH] = {Action::Pitch, MSG_NAME_PITCH, nullptr, MMP_PITCH, true, -8192, 8191, -16383, 16383};
    c[MMCMD_CAF] = {Action::Caf, MSG_NAME_TEMPO, "Channel-after-touch", MMP_CAFPRES, true, 0, 127, -127, 127};
    c[MMCMD_CAFPRES] = {Action::Plain, MSG_NAME_TEMPO, "Channel-after-touch", MMP_CAFPRES, true, 0, 127, -127, 127};
    c[MMCMD_CAFDELAY] = {Action::Plain, MSG_NAME_TEMPO, "Channel-after-touch delay", MMP_CAFDELAY, false, 0, 0, -65535, 65535};
    c[MMCMD_PAF] = {Action::Paf, MSG_NAME_TEMPO, "Polyphonic-after-touch", MMP_PAFPRES, true, 0, 127, -127, 127};
    c[MMCMD_PAFDELAY] = {Action::Plain, MSG_NAME_TEMPO, "Polyohonic-after-touch delay", MMP_PAFDELAY, false, 0, 0, -65535, 65535};
    c[MMCMD_PAFPRES] = {Action::Plain, MSG_NAME_TEMPO, "Polyphonic-after-touch", MMP_PAFPRES, true, 0, 127, -127, 127};
    return c;
}

constexpr auto kCommands = makeCommands();

// Reports `format` ("%s parameter error!" or "%s offsetter error!") with the
// command's message name, the error point at the cursor.
int commandError(mmctx *ctx, const char *cursor, MMmsgId format, const MappedCommand &cmd, int controller)
{
    char name[64];
    if (controller >= 0)
        snprintf(name, sizeof name, MM_text(MSG_NAME_CONTROL), controller);
    else
        snprintf(name, sizeof name, "%s", cmd.fixedName ? cmd.fixedName : MM_text(cmd.name));
    ctx->errPoint = cursor;
    MM_setErrMsg(ctx, MM_text(format), name);
    return -1;
}

bool withinBounds(const mmval &v, int32_t lo, int32_t hi)
{
    if (v.mode & MMVAL_RANDOM) return v.lo >= lo && v.hi <= hi;
    return v.value >= lo && v.value <= hi;
}

int offsetterForm(mmctx *ctx, mmpart *part, const char **cursor, const MappedCommand &cmd, int controller)
{
    ++*cursor;
    mmval &record = controller >= 0 ? part->ccOffset[controller] : part->offset[cmd.record];
    mmval copy = record;
    if (MMval_parse(&copy, cursor) < 0 || !withinBounds(copy, cmd.offLo, cmd.offHi))
        return commandError(ctx, *cursor, MSG_OFFSETTER_ERROR, cmd, controller);
    record = copy;
    return 0;
}

int channelCommand(mmctx *ctx, mmpart *part, const char **cursor, const MappedCommand &cmd)
{
    int32_t channel;
    if (**cursor == '#' || MM_getNum(&channel, cursor) < 0 || channel < 1 || channel > 16)
        return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, -1);
    MMpart_setChannel(part, (uint32_t)(channel - 1));
    return 0;
}

// `bar:clock`, bar 1..32 counted from the track's current measure.
int clockCommand(mmctx *ctx, mmpart *part, const char **cursor, const MappedCommand &cmd)
{
    int32_t bar, clock;
    if (**cursor == '#' || MM_getNum(&bar, cursor) < 0) return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, -1);
    MM_skipBlanks(cursor);
    if (**cursor != ':') return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, -1);
    ++*cursor;
    if (MM_getNum(&clock, cursor) < 0 || bar < 1 || bar > kClockBars || clock < 0 || clock >= ctx->division)
        return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, -1);
    part->clock = part->track->measureClock + (uint32_t)(bar - 1) * (uint32_t)ctx->division + (uint32_t)clock;
    return 0;
}

int valueForm(mmctx *ctx, mmpart *part, const char **cursor, const MappedCommand &cmd, int controller)
{
    if (cmd.action == Action::Paf && part->lastNote < 0)
        return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, controller);
    int32_t lo = cmd.lo, hi = cmd.hi;
    if (controller >= 0) {
        lo = -part->track->ccBase[controller];
        hi = 127 - part->track->ccBase[controller];
    }
    mmval value = controller >= 0 ? part->ccParam[controller] : part->param[cmd.record];
    if (MMval_parse(&value, cursor) < 0) return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, controller);
    if (cmd.checked || controller >= 0) {
        if (!(value.mode & MMVAL_REL) && !withinBounds(value, lo, hi))
            return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, controller);
        if (!(value.mode & MMVAL_RANDOM)) value.value = MMclamp(value.value, lo, hi);
    }
    int result = 0;
    switch (cmd.action) {
    case Action::Plain: result = MMpart_setParam(ctx, part, cmd.record, &value); break;
    case Action::Tempo: result = MMpart_setTempo(ctx, part, &value, MMpart_time(part)); break;
    case Action::Program: result = MMpart_setProgram(ctx, part, &value, MMpart_time(part)); break;
    case Action::Pitch: result = MMpart_setPitch(ctx, part, &value, MMpart_time(part)); break;
    case Action::Caf: result = MMpart_setCaf(ctx, part, &value, MMpart_time(part)); break;
    case Action::Paf: result = MMpart_setPaf(ctx, part, &value, MMpart_time(part), part->lastNote); break;
    case Action::Control: result = MMpart_setControl(ctx, part, &value, MMpart_time(part), controller); break;
    case Action::None:
    case Action::Channel:
    case Action::Clock: break;
    }
    if (result < 0) ctx->errPoint = *cursor;
    return result < 0 ? -1 : 0;
}

// `cc`: the controller number follows the letter, then `,` or `/`, which
// stands in for the letter of the controller's own command.
int ccCommand(mmctx *ctx, mmpart *part, const char **cursor)
{
    ++*cursor;
    int32_t controller;
    if (MM_getNum(&controller, cursor) == 0 && controller >= 0 && controller <= 127) {
        MM_skipBlanks(cursor);
        if (**cursor == ',' || **cursor == '/') return MMmml_mapped(ctx, part, cursor, MMCMD_CCV + controller);
    }
    ctx->errPoint = *cursor;
    return MM_setErr(ctx, "Controle change error!");
}

}  // namespace

int MMmml_mapped(mmctx *ctx, mmpart *part, const char **cursor, int32_t code)
{
    if (code == MMCMD_CC) return ccCommand(ctx, part, cursor);
    static constexpr MappedCommand kControl{Action::Control, MSG_NAME_CONTROL, nullptr, MMP_TEMPO, true, 0, 0, -127, 127};
    int controller = -1;
    const MappedCommand *cmd = nullptr;
    if (code >= MMCMD_CCV && code < MMCMD_CCV + MM_CONTROLLERS) {
        controller = code - MMCMD_CCV;
        cmd = &kControl;
    } else if (code >= 1 && code <= kLastCode && kCommands[code].action != Action::None) {
        cmd = &kCommands[code];
    } else {
        return MMmml_unknownChar(ctx, part, cursor);
    }
    ++*cursor;
    switch (cmd->action) {
    case Action::Channel: return channelCommand(ctx, part, cursor, *cmd);
    case Action::Clock: return clockCommand(ctx, part, cursor, *cmd);
    default: break;
    }
    if (**cursor == '#') return offsetterForm(ctx, part, cursor, *cmd, controller);
    return valueForm(ctx, part, cursor, *cmd, controller);
}
