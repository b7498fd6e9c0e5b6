#include "mml/part_params.h"

#include "base/limits.h"
#include "base/messages.h"
#include "base/wrap_int.h"
#include "mml/assign.h"
#include "store/event_writers.h"
#include "store/filter.h"
#include "store/param_table.h"

// The setters' error texts exist in English only, whatever the message
// language; those with a full-width '～' pass through MM_localText only to
// reach the user's encoding.

namespace {

MMrange accepted(MMparam index) { return MMparam_row(index).value; }

int rangeError(mmctx *ctx, MMparam index)
{
    switch (index) {
    case MMP_TEMPO:
        MM_setErrMsg(ctx, MM_localText("Tempo error! (%d～%d)"), accepted(index).lo, accepted(index).hi);
        return -1;
    case MMP_OCTAVE:
        MM_setErrMsg(ctx, MM_localText("Octave error! (%d～%d)"), accepted(index).lo, accepted(index).hi);
        return -1;
    case MMP_DELAY: return MM_setErr(ctx, "Delay error!");
    case MMP_KEYSHIFT: return MM_setErr(ctx, MM_localText("Keyshift error! (-127～+127)"));
    case MMP_VELOCITY: return MM_setErr(ctx, MM_localText("Velocity error! (1～127)"));
    case MMP_OFFVEL: return MM_setErr(ctx, MM_localText("Off-velocity error! (0～127)"));
    case MMP_STEP: return MM_setErr(ctx, "Steptime error!");
    case MMP_GATE: return MM_setErr(ctx, "Gatetime error!");
    case MMP_GATERATIO: return MM_setErr(ctx, "Gatetime ratio error!");
    case MMP_PROGRAM: return MM_setErr(ctx, "Program change error!");
    case MMP_PITCH: return MM_setErr(ctx, "Pitchbend error!");
    case MMP_CAFPRES: return MM_setErr(ctx, "Channel-after-touch pressure error!");
    case MMP_PAFPRES: return MM_setErr(ctx, "Polyphonic-after-touch error!");
    case MMP_CAFDELAY: return MM_setErr(ctx, "Channel-after-touch delay error!");
    case MMP_PAFDELAY: return MM_setErr(ctx, "Polyphonic-after-touch delay error!");
    case MMP_COUNT: break;
    }
    return -1;
}

bool inRange(int32_t value, MMparam index) { return MMrange_holds(accepted(index), value); }

int32_t offsetter(mmpart *part, MMparam index) { return MMval_get(&part->offset[index]); }

}  // namespace

int MMpart_setParam(mmctx *ctx, mmpart *part, MMparam index, mmval *value)
{
    if (!inRange(MMval_get(value), index)) return rangeError(ctx, index);
    part->param[index] = *value;
    if (index == MMP_GATE) part->gateMode = 1;
    if (index == MMP_GATERATIO) part->gateMode = 0;
    return 0;
}

void MMpart_setChannel(mmpart *part, uint32_t channel) { part->channel = channel; }

int MMpart_setTempo(mmctx *ctx, mmpart *part, mmval *value, uint32_t time)
{
    int32_t tempo = MMval_get(value);
    if (!inRange(tempo, MMP_TEMPO)) return rangeError(ctx, MMP_TEMPO);
    MMrange range = accepted(MMP_TEMPO);
    int32_t bpm = MMclamp(MMwrap_add(tempo, offsetter(part, MMP_TEMPO)), range.lo, range.hi);
    part->param[MMP_TEMPO] = *value;
    return MMevt_tempo(part->track, time, MM_MICROSECONDS_PER_MINUTE / (uint32_t)bpm);
}

int MMpart_setProgram(mmctx *ctx, mmpart *part, mmval *value, uint32_t time)
{
    int32_t number = MMval_get(value);
    if (!inRange(number, MMP_PROGRAM)) return MM_setErr(ctx, "Program change error!");
    int32_t program = number - 1;
    program = MMwrap_add(program, offsetter(part, MMP_PROGRAM));
    if (program < 0 || program > 127) return MM_setErr(ctx, "Program change offset error!");
    part->param[MMP_PROGRAM] = *value;
    if (MMpart_programAssign(ctx, part, program, time) < 0) return -1;
    return MMevt_program(part->track, time, (int32_t)part->channel, program);
}

int MMpart_setPitch(mmctx *ctx, mmpart *part, mmval *value, uint32_t time)
{
    int32_t bend = MMval_get(value);
    if (!inRange(bend, MMP_PITCH)) return rangeError(ctx, MMP_PITCH);
    MMrange range = accepted(MMP_PITCH);
    bend = MMclamp(MMwrap_add(bend, offsetter(part, MMP_PITCH)), range.lo, range.hi);
    part->param[MMP_PITCH] = *value;
    return MMevt_pitchBend(part->track, time, (int32_t)part->channel, bend + MM_PITCH_CENTRE);
}

int MMpart_setCaf(mmctx *ctx, mmpart *part, mmval *value, uint32_t time)
{
    int32_t pressure = MMval_get(value);
    if (!inRange(pressure, MMP_CAFPRES)) return MM_setErr(ctx, "Channel-after-touch error!");
    part->param[MMP_CAFPRES] = *value;
    return MMevt_chanPressure(part->track, time, (int32_t)part->channel, pressure);
}

int MMpart_setPaf(mmctx *ctx, mmpart *part, mmval *value, uint32_t time, int note)
{
    int32_t pressure = MMval_get(value);
    if (!inRange(pressure, MMP_PAFPRES)) return MM_setErr(ctx, "Polyphonic-after-touch error!");
    part->param[MMP_PAFPRES] = *value;
    return MMevt_polyPressure(part->track, time, (int32_t)part->channel, note, pressure);
}

int MMpart_setControl(mmctx *ctx, mmpart *part, mmval *value, uint32_t time, int controller)
{
    if (controller < 0 || controller > MM_CONTROLLER_MAX) {
        MM_setErrMsg(ctx, "Illegal controller number %d (%Xh)!", controller, (unsigned)controller);
        return -1;
    }
    MMrange range = MMparam_ccRange(part->track->ccBase[controller]);
    int32_t v = MMval_get(value);
    if (!MMrange_holds(range, v)) {
        MM_setErrMsg(ctx, "Control (%02X) change  error!", (unsigned)controller);
        return -1;
    }
    v = MMclamp(MMwrap_add(v, MMval_get(&part->ccOffset[controller])), range.lo, range.hi);
    part->ccParam[controller] = *value;
    return MMevt_control(part->track, time, (int32_t)part->channel, controller, v);
}

int MMpart_clockOverflow(mmctx *ctx)
{
    MM_setErrMsg(ctx, "Clock overflow! (a song cannot run past tick %u)", UINT32_MAX);
    return -1;
}
