// Notes: `c`..`b` with accidentals, `n` with a note number, each with an
// optional length, gate, note options `(caf:..,paf:..)` and tie `&`.
#include "mml/note.h"

#include <cstring>

#include "base/length.h"
#include "base/limits.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/assign.h"
#include "mml/length.h"
#include "mml/one_shot.h"
#include "mml/part_params.h"
#include "store/event_writers.h"
#include "store/param_table.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr int32_t kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // a..g

// Aftertouch values a note's `(caf:..,paf:..)` options give it.
struct NoteOptions {
    MMshot caf;
    MMshot paf;
};

int fail(mmctx *ctx, const char *cursor, const char *message)
{
    ctx->errPoint = cursor;
    return MM_setErr(ctx, message);
}

// Forced into the range that the parameter's setter accepts.
int32_t clampTo(int32_t value, MMparam index)
{
    MMrange range = MMparam_row(index).value;
    return MMclamp(value, range.lo, range.hi);
}

// How the readers below read a value record. The long way reads with
// MMval_get, which draws for a random record; the plain-note way reads
// without drawing and only notes that a record was random.
struct Draw {
    int32_t operator()(mmval *record) const { return MMval_get(record); }
};
struct Peek {
    int32_t *modes;
    int32_t operator()(const mmval *record) const
    {
        *modes |= record->mode;
        return record->value;
    }
};

// The one-shot value if set, else the part's record; plus the offsetter.
template <typename Get = Draw>
[[gnu::always_inline]] inline int32_t effective(mmpart *part, const MMshot &shot, MMparam index, Get get = Draw{})
{
    int32_t value = shot.set ? shot.value : get(&part->param[index]);
    return MMwrap_add(value, get(&part->offset[index]));
}

template <typename Get = Draw>
[[gnu::always_inline]] inline int readNoteNumber(mmctx *ctx, mmpart *part, int letter, const char **cursor,
                                                 const MMnoteShots &shots, int32_t *number, Get get = Draw{})
{
    if (letter == 'n') {
        if (MM_getNum(number, cursor) < 0) return fail(ctx, *cursor, "Note-on error!");
        if (*number < 0 || *number > 127) return fail(ctx, *cursor, MM_text(MSG_NOTE_RANGE));
        return 0;
    }
    int index = letter - 'a';
    int32_t key = part->keySig[index];
    int32_t base = kSemitone[index] + key;
    MM_skipBlanks(cursor);
    // An accidental against the key signature gives the natural, never a double sharp or flat.
    if (**cursor == '+' || **cursor == '#') {
        ++*cursor;
        if (key != 1) ++base;
    } else if (**cursor == '-') {
        ++*cursor;
        if (key != -1) --base;
    }
    int32_t octave = effective(part, shots.octave, MMP_OCTAVE, get);
    *number = MMwrap_add(base, MMwrap_mul(12, MMwrap_add(octave, 1)));
    return 0;
}

// Step time: a tuplet's step, or the one-shot step, or the written length.
template <typename Get = Draw>
[[gnu::always_inline]] inline int readStep(mmctx *ctx, mmpart *part, const char **cursor, const MMnoteShots &shots,
                                           int32_t *step, Get get = Draw{})
{
    MM_skipBlanks(cursor);
    int32_t length = 0;
    // Most notes take the default length: no number, no clocks, no dots.
    int read = **cursor == ':' || MM_isAsciiDigit((unsigned char)**cursor)
                   ? MMlength_value(ctx->division, cursor, &length)
                   : 0;
    if (read < 0) return fail(ctx, *cursor, MM_text(MSG_NOTE_STEPTIME));
    if (read == 0) length = get(&part->param[MMP_STEP]);
    MM_skipBlanks(cursor);
    if (**cursor == '.') MMlength_dots(cursor, &length);
    if (part->tupletOn)
        *step = part->tupletStep;
    else
        *step = MMwrap_add(shots.step.set ? shots.step.value : length, get(&part->offset[MMP_STEP]));
    return 0;
}

int32_t ratioGate(int32_t step, int32_t ratio)
{
    if (ratio < 1) ratio = 1;
    return MMwrap_sub(MMwrap_mul(step, ratio) / 100, 1);
}

template <typename Get = Draw>
[[gnu::always_inline]] inline int readGate(mmctx *ctx, mmpart *part, const char **cursor, const MMnoteShots &shots,
                                           int32_t step, int32_t *gate, Get get = Draw{})
{
    MM_skipBlanks(cursor);
    if (**cursor == ',' || **cursor == '/') {
        ++*cursor;
        int32_t n;
        if (MM_getNum(&n, cursor) < 0 || n < 0) return fail(ctx, *cursor, MM_text(MSG_NOTE_GATETIME));
        if (**cursor == '%') {
            ++*cursor;
            *gate = MMwrap_mul(n, step) / 100;
        } else {
            *gate = n;
        }
    } else if (shots.gate.set) {
        *gate = shots.gate.value;
    } else if (shots.gateRatio.set) {
        *gate = ratioGate(step, MMwrap_add(shots.gateRatio.value, get(&part->offset[MMP_GATERATIO])));
    } else if (part->gateMode) {
        *gate = get(&part->param[MMP_GATE]);
    } else {
        *gate = ratioGate(step, effective(part, MMshot{}, MMP_GATERATIO, get));
    }
    *gate = MMwrap_add(*gate, get(&part->offset[MMP_GATE]));
    if (*gate < 0) *gate = 0;
    return 0;
}

bool keyIs(const char *item, const char *key) { return strncasecmp(item, key, strlen(key)) == 0; }

// One `caf:` or `paf:` value, read into a copy of the part's pressure record.
bool readOption(const char *text, const mmpart *part, MMparam pressure, int32_t *value)
{
    mmval copy = part->param[pressure];
    if (MMval_parse(&copy, &text) < 0) return false;
    MM_skipBlanks(&text);
    if (*text) return false;
    if (!(copy.mode & MMVAL_REL)) {
        MMrange range = MMparam_row(pressure).value;
        bool inRange = (copy.mode & MMVAL_RANDOM) ? copy.lo >= range.lo && copy.hi <= range.hi
                                                  : MMrange_holds(range, copy.value);
        if (!inRange) return false;
    }
    if (!(copy.mode & MMVAL_RANDOM)) copy.value = clampTo(copy.value, pressure);
    *value = MMval_get(&copy);
    return true;
}

int readOptions(mmctx *ctx, mmpart *part, const char **cursor, NoteOptions *options)
{
    MM_skipBlanks(cursor);
    if (**cursor != '(') return 0;
    char **items = nullptr;
    int count = MM_splitList(cursor, &items);
    bool ok = count > 0;
    for (int i = 0; ok && i < count; ++i) {
        if (keyIs(items[i], "caf:")) {
            options->caf.set = ok = readOption(items[i] + 4, part, MMP_CAFPRES, &options->caf.value);
        } else if (keyIs(items[i], "paf:")) {
            options->paf.set = ok = readOption(items[i] + 4, part, MMP_PAFPRES, &options->paf.value);
        } else {
            ok = false;
        }
    }
    MM_freeList(count, items);
    return ok ? 0 : fail(ctx, *cursor, MM_text(MSG_NOTE_OPTION));
}

uint32_t later(uint32_t time, int64_t delta)
{
    int64_t t = (int64_t)time + delta;
    return t < 0 ? 0 : (uint32_t)t;
}

uint32_t tempoOf(int32_t bpm) { return MM_MICROSECONDS_PER_MINUTE / (uint32_t)bpm; }

// One-shot tempo, program, pitch bend and controllers, before the note-on.
// Unless note assignment gave one, the program to restore is the part's own,
// read here: a random program record draws after the note's other values.
int sendOneShots(mmpart *part, uint32_t time, MMnoteShots &shots)
{
    mmtrk *track = part->track;
    int32_t channel = (int32_t)part->channel;
    // A tempo of 0 or below has no period; it sends nothing.
    if (shots.tempo.set && shots.tempo.value > 0 && MMevt_tempo(track, time, tempoOf(shots.tempo.value)) < 0) return -1;
    if (shots.program.set && !shots.programRestore.set) {
        int32_t program = MMval_get(&part->param[MMP_PROGRAM]);
        shots.programRestore.value = MMwrap_sub(MMwrap_add(program, MMval_get(&part->offset[MMP_PROGRAM])), 1);
    }
    if (shots.program.set && MMevt_program(track, time, channel, MMwrap_sub(shots.program.value, 1)) < 0) return -1;
    if (shots.pitch.set && MMevt_pitchBend(track, time, channel, MMwrap_add(shots.pitch.value, MM_PITCH_CENTRE)) < 0)
        return -1;
    for (const MMccShot &cc : shots.controllers)
        if (MMevt_control(track, time, channel, cc.controller, cc.value) < 0) return -1;
    return 0;
}

// The part's own tempo, program, pitch bend and controllers again after a note
// that overrode them.
int sendRestores(mmpart *part, uint32_t time, const MMnoteShots &shots)
{
    mmtrk *track = part->track;
    int32_t channel = (int32_t)part->channel;
    if (shots.tempo.set && shots.tempoRestore > 0 && MMevt_tempo(track, time, tempoOf(shots.tempoRestore)) < 0)
        return -1;
    if (shots.program.set && MMevt_program(track, time, channel, shots.programRestore.value) < 0) return -1;
    if (shots.pitch.set && MMevt_pitchBend(track, time, channel, MMwrap_add(shots.pitchRestore, MM_PITCH_CENTRE)) < 0)
        return -1;
    for (const MMccShot &cc : shots.controllers)
        if (MMevt_control(track, time, channel, cc.controller, cc.restore) < 0) return -1;
    return 0;
}

// Aftertouch `delay` clocks after the note-on, when the part asks for it;
// it replaces the note option of the same kind.
int sendDelayed(mmpart *part, uint32_t time, int note, const MMnoteShots &shots, NoteOptions *options)
{
    mmtrk *track = part->track;
    int32_t channel = (int32_t)part->channel;
    int32_t delay = shots.cafDelay.set ? shots.cafDelay.value : MMval_get(&part->param[MMP_CAFDELAY]);
    if (delay >= 1) {
        int32_t pressure = shots.cafPressure.set ? shots.cafPressure.value : MMval_get(&part->param[MMP_CAFPRES]);
        if (pressure >= 0) {
            pressure = clampTo(MMwrap_add(pressure, MMval_get(&part->offset[MMP_CAFPRES])), MMP_CAFPRES);
            uint32_t at = later(time, (int64_t)delay + MMval_get(&part->offset[MMP_CAFDELAY]));
            if (MMevt_chanPressure(track, at, channel, pressure) < 0) return -1;
            options->caf.set = false;
        }
    }
    delay = shots.pafDelay.set ? shots.pafDelay.value : MMval_get(&part->param[MMP_PAFDELAY]);
    if (delay >= 1) {
        int32_t pressure = shots.pafPressure.set ? shots.pafPressure.value : MMval_get(&part->param[MMP_PAFPRES]);
        if (pressure >= 0) {
            pressure = clampTo(MMwrap_add(pressure, MMval_get(&part->offset[MMP_PAFPRES])), MMP_PAFPRES);
            uint32_t at = later(time, (int64_t)delay + MMval_get(&part->offset[MMP_PAFDELAY]));
            if (MMevt_polyPressure(track, at, channel, note, pressure) < 0) return -1;
            options->paf.set = false;
        }
    }
    return 0;
}

int sendOptions(mmpart *part, uint32_t time, int note, const NoteOptions &options)
{
    int32_t channel = (int32_t)part->channel;
    if (options.caf.set) {
        int32_t v = clampTo(MMwrap_add(options.caf.value, MMval_get(&part->offset[MMP_CAFPRES])), MMP_CAFPRES);
        if (MMevt_chanPressure(part->track, time, channel, v) < 0) return -1;
    }
    if (options.paf.set) {
        int32_t v = clampTo(MMwrap_add(options.paf.value, MMval_get(&part->offset[MMP_PAFPRES])), MMP_PAFPRES);
        if (MMevt_polyPressure(part->track, time, channel, note, v) < 0) return -1;
    }
    return 0;
}

// The common note: no pin, tuplet, assignment table, random value, option,
// tie or delayed aftertouch, and no note of its number still sounding. It
// reads with the readers of the long way, without drawing, and writes only
// once it knows the note is plain; on false MMmml_note takes the note the long
// way with the same result (a reader's failure is reported again there, and
// its random values draw there in their order). Most notes of a song are
// plain; this spares them the one-shot machinery.
const MMnoteShots kNoShots{};

bool plainNote(mmctx *ctx, mmpart *part, const char **cursor, int *result)
{
    mmtrk *track = part->track;
    if (part->pinArmed || part->tupletOn || track->assign) return false;
    if (track->delayFilterOn && track->delayF.randAllowed && track->delayF.randOn) return false;
    // The long way reads the aftertouch delays after the note-on.
    const mmval &cafDelay = part->param[MMP_CAFDELAY], &pafDelay = part->param[MMP_PAFDELAY];
    if (((cafDelay.mode | pafDelay.mode) & MMVAL_RANDOM) || cafDelay.value >= 1 || pafDelay.value >= 1) return false;
    int32_t modes = 0;
    Peek peek{&modes};
    const char *p = *cursor;
    int letter = MM_lowerAscii((unsigned char)*p++);
    int32_t number, step = 0, gate = 0;
    if (readNoteNumber(ctx, part, letter, &p, kNoShots, &number, peek) < 0) return false;
    number = MMwrap_add(number, effective(part, MMshot{}, MMP_KEYSHIFT, peek));
    if (number < 0 || number > 127 || part->noteOn[number]) return false;
    if (readStep(ctx, part, &p, kNoShots, &step, peek) < 0) return false;
    if (step < 0) step = 0;
    if (readGate(ctx, part, &p, kNoShots, step, &gate, peek) < 0) return false;
    MM_skipBlanks(&p);
    if (*p == '(' || *p == '&') return false;
    int32_t velocity = clampTo(effective(part, MMshot{}, MMP_VELOCITY, peek), MMP_VELOCITY);
    int32_t offVelocity = clampTo(effective(part, MMshot{}, MMP_OFFVEL, peek), MMP_OFFVEL);
    int64_t time = (int64_t)part->clock + peek(&part->param[MMP_DELAY]) + peek(&part->offset[MMP_DELAY]) +
                   MMevt_delay(track);
    if (modes & MMVAL_RANDOM) return false;

    *cursor = p;
    uint32_t on = time < 0 ? 0 : (uint32_t)time;
    ctx->errPoint = p;
    *result = MMevt_note(track, on, later(on, gate), (int32_t)part->channel, number, velocity, offVelocity);
    if (*result < 0) return true;
    part->lastNote = number;
    *result = MMpart_advance(ctx, part, (uint32_t)step);
    return true;
}

}  // namespace

int MMmml_note(mmctx *ctx, mmpart *part, const char **cursor)
{
    int result;
    if (plainNote(ctx, part, cursor, &result)) return result;
    MMnoteShots shots{};
    // Most notes take no pin and have no assignment table: they send no
    // one-shot values and restore nothing.
    bool plain = !(part->pinArmed && part->pinDef) && !part->track->assign;
    MMpin_take(ctx, part, &shots);
    int letter = MM_lowerAscii((unsigned char)**cursor);
    ++*cursor;

    int32_t number;
    if (readNoteNumber(ctx, part, letter, cursor, shots, &number) < 0) return -1;
    number = MMwrap_add(number, effective(part, shots.keyShift, MMP_KEYSHIFT));
    if (number < 0 || number > 127) return fail(ctx, *cursor, MM_text(MSG_NOTE_RANGE));

    int32_t step = 0, gate = 0;
    if (readStep(ctx, part, cursor, shots, &step) < 0) return -1;
    if (step < 0) step = 0;
    if (readGate(ctx, part, cursor, shots, step, &gate) < 0) return -1;
    NoteOptions options{};
    if (readOptions(ctx, part, cursor, &options) < 0) return -1;
    MM_skipBlanks(cursor);
    bool tied = **cursor == '&';
    if (tied) ++*cursor;

    int32_t velocity = clampTo(effective(part, shots.velocity, MMP_VELOCITY), MMP_VELOCITY);
    int32_t offVelocity = clampTo(effective(part, shots.offVelocity, MMP_OFFVEL), MMP_OFFVEL);
    uint32_t time = MMpart_time(part);
    if (!plain) MMnote_programAssign(part, &number, &velocity);
    mmtrk *track = part->track;
    int32_t channel = (int32_t)part->channel;
    // A note still sounding from a tie continues: no new note-on.
    bool continuation = part->noteOn[number] != 0;
    ctx->errPoint = *cursor;
    if (!continuation) {
        if (!plain && MMnote_assign(ctx, part, number, time, &velocity, &shots) < 0) return -1;
        if (!plain && sendOneShots(part, time, shots) < 0) return -1;
        if (MMevt_noteOn(track, time, channel, number, velocity) < 0) return -1;
        // A sounding note is never marked silent, whatever velocity it got.
        part->noteOn[number] = (uint8_t)(velocity > 0 ? velocity : 1);
        part->lastNote = number;
        if (sendDelayed(part, time, number, shots, &options) < 0) return -1;
    }
    if (sendOptions(part, time, number, options) < 0) return -1;
    if (MMpart_advance(ctx, part, (uint32_t)step) < 0) return -1;
    uint32_t end = later(time, gate);
    if (!tied) {
        if (MMevt_noteOff(track, end, channel, number, offVelocity) < 0) return -1;
        part->noteOn[number] = 0;
    }
    if (continuation || plain) return 0;
    return sendRestores(part, end, shots);
}
