// Letter-map commands: a letter bound to a parameter command sets the value
// (`v100`, `v'-10`, `v*90..110`) or, followed by `#`, the offsetter of that
// parameter (`v#-20`).
#include "mml/mapped.h"

#include <array>
#include <cstdio>

#include "base/command_names.h"
#include "base/limits.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/char_table.h"
#include "mml/part_params.h"
#include "store/param_table.h"
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
};

constexpr int32_t kClockBars = 32;
constexpr int32_t kLastCode = MMCMD_PAFPRES;

constexpr MappedCommand kNone{Action::None, MSG_NAME_TEMPO, nullptr};

// The parameter each command reads and stores, and the ranges it accepts,
// come from the parameter table.
constexpr std::array<MappedCommand, kLastCode + 1> makeCommands()
{
    std::array<MappedCommand, kLastCode + 1> c{};
    for (MappedCommand &m : c) m = kNone;
    c[MMCMD_TEMPO] = {Action::Tempo, MSG_NAME_TEMPO, nullptr};
    c[MMCMD_CHANNEL] = {Action::Channel, MSG_NAME_CHANNEL, nullptr};
    c[MMCMD_DELAY] = {Action::Plain, MSG_NAME_DELAY, nullptr};
    c[MMCMD_CLOCK] = {Action::Clock, MSG_NAME_CLOCK, nullptr};
    c[MMCMD_KEYSHIFT] = {Action::Plain, MSG_NAME_KEYSHIFT, nullptr};
    c[MMCMD_OCTAVE] = {Action::Plain, MSG_NAME_OCTAVE, nullptr};
    c[MMCMD_VELOCITY] = {Action::Plain, MSG_NAME_VELOCITY, nullptr};
    c[MMCMD_OFFVELOCITY] = {Action::Plain, MSG_NAME_OFFVEL, nullptr};
    c[MMCMD_STEP] = {Action::Plain, MSG_NAME_STEP, nullptr};
    c[MMCMD_GATERATIO] = {Action::Plain, MSG_NAME_GATERATIO, nullptr};
    c[MMCMD_GATE] = {Action::Plain, MSG_NAME_GATE, nullptr};
    c[MMCMD_PROGRAM] = {Action::Program, MSG_NAME_PROGRAM, nullptr};
    c[MMCMD_PITCH] = {Action::Pitch, MSG_NAME_PITCH, nullptr};
    c[MMCMD_CAF] = {Action::Caf, MSG_NAME_TEMPO, "Channel-after-touch"};
    c[MMCMD_CAFPRES] = {Action::Plain, MSG_NAME_TEMPO, "Channel-after-touch"};
    c[MMCMD_CAFDELAY] = {Action::Plain, MSG_NAME_TEMPO, "Channel-after-touch delay"};
    c[MMCMD_PAF] = {Action::Paf, MSG_NAME_TEMPO, "Polyphonic-after-touch"};
    c[MMCMD_PAFDELAY] = {Action::Plain, MSG_NAME_TEMPO, "Polyohonic-after-touch delay"};
    c[MMCMD_PAFPRES] = {Action::Plain, MSG_NAME_TEMPO, "Polyphonic-after-touch"};
    return c;
}

constexpr auto kCommands = makeCommands();

// What a command works on, a part parameter or controller n: the records
// and what its two forms accept.
struct Target {
    MMparam param;       // MMP_COUNT for a controller
    int controller;      // -1 for a part parameter
    mmval *record;
    mmval *offset;
    bool checked;        // value form: check and clamp to `value`
    MMrange value;
    MMrange offsetRange;
};

Target parameterTarget(mmpart *part, MMparam param)
{
    const MMparamRow &row = MMparam_row(param);
    return {param, -1, &part->param[param], &part->offset[param], row.clamped, row.value, row.letterOffset};
}

Target controllerTarget(mmpart *part, int controller)
{
    return {MMP_COUNT, controller, &part->ccParam[controller], &part->ccOffset[controller], true,
            MMparam_ccRange(part->track->ccBase[controller]), MM_CC_OFFSET_RANGE};
}

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

bool withinBounds(const mmval &v, MMrange range)
{
    if (v.mode & MMVAL_RANDOM) return v.lo >= range.lo && v.hi <= range.hi;
    return MMrange_holds(range, v.value);
}

int offsetterForm(mmctx *ctx, const char **cursor, const MappedCommand &cmd, const Target &target)
{
    ++*cursor;
    mmval copy = *target.offset;
    if (MMval_parse(&copy, cursor) < 0 || !withinBounds(copy, target.offsetRange))
        return commandError(ctx, *cursor, MSG_OFFSETTER_ERROR, cmd, target.controller);
    *target.offset = copy;
    return 0;
}

int channelCommand(mmctx *ctx, mmpart *part, const char **cursor, const MappedCommand &cmd)
{
    int32_t channel;
    if (**cursor == '#' || MM_getNum(&channel, cursor) < 0 || channel < 1 || channel > MM_CHANNELS)
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

int valueForm(mmctx *ctx, mmpart *part, const char **cursor, const MappedCommand &cmd, const Target &target)
{
    int controller = target.controller;
    if (cmd.action == Action::Paf && part->lastNote < 0)
        return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, controller);
    mmval value = *target.record;
    // A plain number, the usual form (`o4`, `l8`, `v100`), is its own value;
    // anything else goes through the value syntax.
    const char *end = *cursor;
    uint32_t number = 0;
    while (MM_isAsciiDigit((unsigned char)*end)) number = number * 10 + (uint32_t)(*end++ - '0');
    const char *after = end;
    MM_skipBlanks(&after);
    if (end > *cursor && *after != '%') {
        value.mode = MMVAL_ABS;
        value.value = (int32_t)number;
        *cursor = after;
    } else if (MMval_parse(&value, cursor) < 0) {
        return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, controller);
    }
    if (target.checked) {
        if (!(value.mode & MMVAL_REL) && !withinBounds(value, target.value))
            return commandError(ctx, *cursor, MSG_PARAMETER_ERROR, cmd, controller);
        if (!(value.mode & MMVAL_RANDOM)) value.value = MMclamp(value.value, target.value.lo, target.value.hi);
    }
    int result = 0;
    switch (cmd.action) {
    case Action::Plain: result = MMpart_setParam(ctx, part, target.param, &value); break;
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
    if (MM_getNum(&controller, cursor) == 0 && controller >= 0 && controller <= MM_CONTROLLER_MAX) {
        MM_skipBlanks(cursor);
        if (**cursor == ',' || **cursor == '/') return MMmml_mapped(ctx, part, cursor, MMCMD_CCV + controller);
    }
    ctx->errPoint = *cursor;
    return MM_setErr(ctx, "Controle change error!");
}

}  // namespace

int MMmml_mapped(mmctx *ctx, mmpart *part, const char **cursor, int32_t code)
{
    // The usual form, a parameter set to a plain number in its range (`o4`,
    // `v100`), is taken here; every other form, and every failure, the long way.
    if (code >= 1 && code <= kLastCode && kCommands[code].action == Action::Plain &&
        MM_isAsciiDigit((unsigned char)(*cursor)[1])) {
        const char *end = *cursor + 1;
        uint32_t number = 0;
        while (MM_isAsciiDigit((unsigned char)*end)) number = number * 10 + (uint32_t)(*end++ - '0');
        const char *after = end;
        MM_skipBlanks(&after);
        MMparam param = MMparam_ofCommand(code);
        const MMparamRow &row = MMparam_row(param);
        if (*after != '%' && (!row.clamped || MMrange_holds(row.value, (int32_t)number))) {
            mmval value = part->param[param];
            value.mode = MMVAL_ABS;
            value.value = (int32_t)number;
            *cursor = after;
            if (MMpart_setParam(ctx, part, param, &value) < 0) {
                ctx->errPoint = after;
                return -1;
            }
            return 0;
        }
    }
    if (code == MMCMD_CC) return ccCommand(ctx, part, cursor);
    static constexpr MappedCommand kControl{Action::Control, MSG_NAME_CONTROL, nullptr};
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
    Target target =
        controller >= 0 ? controllerTarget(part, controller) : parameterTarget(part, MMparam_ofCommand(code));
    if (**cursor == '#') return offsetterForm(ctx, cursor, *cmd, target);
    return valueForm(ctx, part, cursor, *cmd, target);
}
