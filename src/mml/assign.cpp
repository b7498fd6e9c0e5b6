#include "mml/assign.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <span>

#include "base/limits.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/track_command.h"
#include "store/assign_table.h"
#include "store/event_writers.h"
#include "store/param_table.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr MMrange kSent{0, 127};  // velocities, notes and programs as sent
constexpr MMrange kAssignedNote{1, MM_NOTES - 1};
constexpr MMrange kNoteOffset{-(MM_NOTES - 1), MM_NOTES - 1};

struct AssignWord {
    const char *name;
    int kind;  // MMassignKind; MMAK_CC0 stands for `cc:N`
};

// An argument selects the word it begins with; as no word begins another,
// at most one matches.
template <std::size_t N> constexpr bool noWordBeginsAnother(const std::array<AssignWord, N> &words)
{
    for (std::size_t a = 0; a < N; ++a)
        for (std::size_t b = 0; b < N; ++b) {
            if (a == b) continue;
            std::size_t i = 0;
            while (words[a].name[i] && words[a].name[i] == words[b].name[i]) ++i;
            if (!words[a].name[i]) return false;
        }
    return true;
}

constexpr std::array<AssignWord, 4> kNoteWords{{
    {"cc", MMAK_CC0},
    {"pitch", MMAK_PITCH},
    {"prog", MMAK_PROGRAM},
    {"vel", MMAK_VELOCITY},
}};
static_assert(MM_namesSorted(kNoteWords) && noWordBeginsAnother(kNoteWords));

constexpr std::array<AssignWord, 4> kProgramWords{{
    {"cc", MMAK_CC0},
    {"note", MMAK_NOTE},
    {"pitch", MMAK_PITCH},
    {"vel", MMAK_VELOCITY},
}};
static_assert(MM_namesSorted(kProgramWords) && noWordBeginsAnother(kProgramWords));

// What `@NOTEASN` and `@PROGASN` differ in.
struct AssignCommand {
    std::span<const AssignWord> words;
    MMassignSet mmassign::*set;
    // Entries lo..hi (0-based) of an argument's range, read at the cursor.
    int (*readRange)(int32_t *lo, int32_t *hi, const char **cursor);
    const char *error;  // null: a malformed argument has no message of its own
};

const AssignCommand kNoteAssign{kNoteWords, &mmassign::byNote, MM_getNoteRange, nullptr};
const AssignCommand kProgramAssign{kProgramWords, &mmassign::byProgram, MM_getRange128, "Program assign error!"};

int refuse(mmctx *ctx, const AssignCommand &command) { return command.error ? MM_setErr(ctx, command.error) : -1; }

// What an entry accepts, and what is added to it to store it.
struct EntryRule {
    MMrange accepted;
    int32_t bias;
};

EntryRule ruleOf(const mmtrk *track, int kind, MMassignForm form)
{
    bool offset = form == MMAF_OFFSET;
    if (kind >= MMAK_CC0) {
        int32_t base = track->ccBase[kind - MMAK_CC0];
        return offset ? EntryRule{MM_CC_OFFSET_RANGE, 0} : EntryRule{MMparam_ccRange(base), base};
    }
    switch (kind) {
    case MMAK_PITCH:
        return offset ? EntryRule{MMparam_row(MMP_PITCH).letterOffset, 0}
                      : EntryRule{MMparam_row(MMP_PITCH).value, MM_PITCH_CENTRE};
    case MMAK_PROGRAM: return EntryRule{MMparam_row(MMP_PROGRAM).value, -1};  // absolute only
    case MMAK_NOTE: return offset ? EntryRule{kNoteOffset, 0} : EntryRule{kAssignedNote, 0};
    default:
        return offset ? EntryRule{MMparam_row(MMP_VELOCITY).letterOffset, 0}
                      : EntryRule{MMparam_row(MMP_VELOCITY).value, 0};
    }
}

// `(kind, mode, range:value, ...)`: each range gets its value in the chosen
// table; a table keeps what the arguments before a faulty one wrote.
int assign(mmctx *ctx, mmtrk *track, const AssignCommand &command, int argc, char **argv)
{
    const AssignWord *word = MM_findPrefix(command.words, argv[0]);
    if (!word) return 0;
    int kind = word->kind;
    if (kind == MMAK_CC0) {
        int32_t controller = MM_ccSuffix(argv[0] + strlen(word->name));
        if (controller < 0) return refuse(ctx, command);
        kind += controller;
    }
    MMassignForm form = MM_wordCmp(argv[1], "off") == 0 ? MMAF_OFFSET : MMAF_ABSOLUTE;
    if (kind == MMAK_PROGRAM && form == MMAF_OFFSET) return refuse(ctx, command);
    EntryRule rule = ruleOf(track, kind, form);
    for (int i = 2; i < argc; ++i) {
        const char *cursor = argv[i];
        int32_t lo, hi;
        if (command.readRange(&lo, &hi, &cursor) < 0) return refuse(ctx, command);
        MM_skipBlanks(&cursor);
        if (*cursor != ':') return refuse(ctx, command);
        int32_t value = MMtcmd_int(cursor + 1);
        if (!MMrange_holds(rule.accepted, value)) return refuse(ctx, command);
        mmassign *tables = MMassign_get(track);
        if (!tables) return -1;
        if (MMassign_fill(track, &(tables->*command.set), kind, form, lo, hi, value + rule.bias) < 0) return -1;
    }
    return 0;
}

// The absolute entry (less `bias`, the amount added to store it) when set,
// else the current value; then plus the offset entry.
template <class Current> int32_t assigned(const MMassignPair &pair, int index, int32_t bias, Current current)
{
    int32_t absolute = pair.absolute(index);
    int32_t value = absolute >= 0 ? absolute - bias : current();
    return MMwrap_add(value, pair.offset(index));
}

int32_t clampTo(int32_t value, MMrange range) { return MMclamp(value, range.lo, range.hi); }

}  // namespace

void MMnote_programAssign(mmpart *part, int32_t *note, int32_t *velocity)
{
    const mmassign *tables = part->track->assign;
    if (!tables) return;
    const MMassignPair &velocities = tables->byProgram.pair[MMAK_VELOCITY];
    const MMassignPair &notes = tables->byProgram.pair[MMAK_NOTE];
    if (!velocities.inUse() && !notes.inUse()) return;
    int32_t program = MMwrap_add(MMwrap_sub(MMval_get(&part->param[MMP_PROGRAM]), 1),
                                 MMval_get(&part->offset[MMP_PROGRAM]));
    // An offsetter set after the program may carry it past the programs,
    // where no table has entries.
    if (!MMrange_holds(kSent, program)) return;
    if (velocities.inUse()) *velocity = clampTo(assigned(velocities, program, 0, [&] { return *velocity; }), kSent);
    if (notes.inUse()) *note = clampTo(assigned(notes, program, 0, [&] { return *note; }), kSent);
}

int MMnote_assign(mmctx *, mmpart *part, int note, uint32_t time, int32_t *velocity, MMnoteShots *shots)
{
    mmtrk *track = part->track;
    if (!track->assign) return 0;
    const MMassignSet &tables = track->assign->byNote;
    int32_t channel = (int32_t)part->channel;

    const MMassignPair &velocities = tables.pair[MMAK_VELOCITY];
    if (velocities.inUse()) *velocity = clampTo(assigned(velocities, note, 0, [&] { return *velocity; }), kSent);

    int32_t program = tables.pair[MMAK_PROGRAM].absolute(note);
    if (program >= 0) {
        if (MMevt_program(track, time, channel, program) < 0) return -1;
        if (shots->program.set) shots->programRestore = MMshot{true, program};
    }

    for (int controller = 0; controller < MM_CONTROLLERS; ++controller) {
        const MMassignPair &values = tables.pair[MMAK_CC0 + controller];
        if (!values.inUse()) continue;
        int32_t base = track->ccBase[controller];
        int32_t value = assigned(values, note, base, [&] { return MMval_get(&part->ccParam[controller]); });
        value = clampTo(value, MMparam_ccRange(base));
        if (MMevt_control(track, time, channel, controller, value) < 0) return -1;
        for (MMccShot &shot : shots->controllers)
            if (shot.controller == controller) shot.restore = value;
    }

    const MMassignPair &bends = tables.pair[MMAK_PITCH];
    if (bends.inUse()) {
        int32_t bend = assigned(bends, note, MM_PITCH_CENTRE, [&] { return MMval_get(&part->param[MMP_PITCH]); });
        bend = clampTo(bend, MMparam_row(MMP_PITCH).value);
        if (shots->pitch.set) shots->pitchRestore = bend;
        if (MMevt_pitchBend(track, time, channel, bend + MM_PITCH_CENTRE) < 0) return -1;
    }
    return 0;
}

int MMpart_programAssign(mmctx *, mmpart *part, int program, uint32_t time)
{
    mmtrk *track = part->track;
    if (!track->assign) return 0;
    const MMassignSet &tables = track->assign->byProgram;
    int32_t channel = (int32_t)part->channel;

    const MMassignPair &bends = tables.pair[MMAK_PITCH];
    if (bends.inUse()) {
        int32_t bend = assigned(bends, program, MM_PITCH_CENTRE, [&] { return MMval_get(&part->param[MMP_PITCH]); });
        bend = clampTo(bend, MMparam_row(MMP_PITCH).value);
        if (MMevt_pitchBend(track, time, channel, bend + MM_PITCH_CENTRE) < 0) return -1;
    }
    for (int controller = 0; controller < MM_CONTROLLERS; ++controller) {
        const MMassignPair &values = tables.pair[MMAK_CC0 + controller];
        if (!values.inUse()) continue;
        int32_t base = track->ccBase[controller];
        int32_t value = assigned(values, program, base, [&] { return MMval_get(&part->ccParam[controller]); });
        value = clampTo(value, MMparam_ccRange(base));
        if (MMevt_control(track, time, channel, controller, value) < 0) return -1;
    }
    return 0;
}

int MMtcmd_noteAssign(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 3) return MM_setErr(ctx, "Note assign error!");
    return assign(ctx, part->track, kNoteAssign, argc, argv);
}

int MMtcmd_programAssign(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 3) return MM_setErr(ctx, kProgramAssign.error);
    return assign(ctx, part->track, kProgramAssign, argc, argv);
}
