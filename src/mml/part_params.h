// Part parameter setters: the one place where a new parameter value is
// checked and stored, and where the changes that mean a MIDI event write it.
//
// Each setter takes a value record prepared by its caller, evaluates it (a
// random record draws here), checks the result and on success stores the
// whole record in the part. On failure the part is unchanged and the message
// is pending. Callers take the event time (MMpart_time) before a setter that
// writes an event.
#pragma once
#include <cstdint>
#include "base/context.h"
#include "base/value.h"
#include "store/filter.h"
#include "store/track.h"

// Setters without an event: delay, key shift, octave, velocity, off velocity,
// step time, gate time, gate-time ratio, the aftertouch pressures and delays.
// The gate time makes the gate absolute, the ratio makes it relative again.
int MMpart_setParam(mmctx *ctx, mmpart *part, MMparam index, mmval *value);
// Channel 0..15 (callers check it).
void MMpart_setChannel(mmpart *part, uint32_t channel);
int MMpart_setTempo(mmctx *ctx, mmpart *part, mmval *value, uint32_t time);
int MMpart_setProgram(mmctx *ctx, mmpart *part, mmval *value, uint32_t time);
int MMpart_setPitch(mmctx *ctx, mmpart *part, mmval *value, uint32_t time);
// Sends a channel aftertouch and keeps the value as the pressure.
int MMpart_setCaf(mmctx *ctx, mmpart *part, mmval *value, uint32_t time);
// Sends a polyphonic aftertouch on `note` and keeps the value as the pressure.
int MMpart_setPaf(mmctx *ctx, mmpart *part, mmval *value, uint32_t time, int note);
// Controller values are relative to the track's controller base.
int MMpart_setControl(mmctx *ctx, mmpart *part, mmval *value, uint32_t time, int controller);

// The time at which the part's events go now: its clock plus its delay, delay
// offsetter and the track's filtered delay, never below 0. Taken for every
// note, so it is inline.
inline uint32_t MMpart_time(mmpart *part)
{
    int64_t delay = MMval_get(&part->param[MMP_DELAY]);
    delay += MMval_get(&part->offset[MMP_DELAY]);
    delay += MMevt_delay(part->track);
    int64_t time = (int64_t)part->clock + delay;
    return time < 0 ? 0 : (uint32_t)time;
}
// Moves the part's clock on by `step`; -1 with a pending message when the
// clock would pass the last tick a song can reach.
int MMpart_clockOverflow(mmctx *ctx);
inline int MMpart_advance(mmctx *ctx, mmpart *part, uint32_t step)
{
    if (step > UINT32_MAX - part->clock) [[unlikely]]
        return MMpart_clockOverflow(ctx);
    part->clock += step;
    return 0;
}
