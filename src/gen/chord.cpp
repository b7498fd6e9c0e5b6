#include "gen/chord.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/length.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "gen/gen_text.h"

// The messages of this file exist in English only.

namespace {

constexpr const char *kCodeParameterError = "Code parameter error!";

constexpr int kMaxIntervals = 7;
constexpr int kMaxNotes = kMaxIntervals + 1;
// The root letters count from the C of this note number; the text places the
// chord relative to the part's octave, so only the steps between notes matter.
constexpr int kRootBase = 48;
constexpr int kOctave = 12;

struct ChordRow {
    const char *name;
    // Inversions repeat after this many steps; 1 means the chord never inverts.
    int cycle;
    // Semitones above the root, ended by 0.
    std::array<int8_t, kMaxIntervals> intervals;
};

// Sorted by MM_wordCmp; the empty name is the major triad.
constexpr std::array<ChordRow, 45> kChords = {{
    {"", 3, {4, 7}},
    {"+11", 1, {4, 7, 9, 10, 14, 18}},
    {"+5", 3, {4, 8}},
    {"-5", 3, {4, 6}},
    {"11", 1, {4, 7, 10, 14, 17}},
    {"13", 1, {4, 7, 10, 14, 17, 21}},
    {"13#11", 1, {4, 7, 10, 11, 14, 18, 21}},
    {"13(#11)", 1, {4, 7, 10, 11, 14, 18, 21}},
    {"13(+11)", 1, {4, 7, 10, 11, 14, 18, 21}},
    {"13+11", 1, {4, 7, 10, 11, 14, 18, 21}},
    {"6", 4, {4, 7, 9}},
    {"69", 6, {4, 7, 9, 14}},
    {"7", 4, {4, 7, 10}},
    {"7+5", 4, {4, 8, 10}},
    {"7+9", 1, {4, 7, 10, 15}},
    {"7-5", 4, {4, 6, 10}},
    {"7-9", 4, {4, 7, 10, 13}},
    {"7sus4", 4, {5, 7, 10}},
    {"9", 4, {4, 7, 10, 14}},
    {"9+5", 4, {4, 8, 10, 14}},
    {"9-5", 4, {4, 6, 10, 14}},
    {"9alt", 4, {4, 6, 10, 14}},
    {"9aug", 4, {4, 8, 10, 14}},
    {"alt", 3, {4, 6}},
    {"alt7", 4, {4, 6, 10}},
    {"aug", 3, {4, 8}},
    {"aug7", 4, {4, 8, 10}},
    {"dim7", 4, {3, 6, 9}},
    {"dim9", 1, {3, 6, 9, 14}},
    {"dimj7", 1, {3, 6, 11}},
    {"m", 3, {3, 7}},
    {"m11", 1, {3, 7, 10, 14, 17}},
    {"m11-5", 1, {3, 6, 10, 14, 17}},
    {"m13", 1, {3, 7, 10, 14, 17, 21}},
    {"m6", 4, {3, 7, 9}},
    {"m69", 6, {3, 7, 9, 14}},
    {"m7", 4, {3, 7, 10}},
    {"m7-5", 4, {3, 6, 10}},
    {"m9", 4, {3, 7, 10, 14}},
    {"m9-5", 1, {3, 6, 10, 14}},
    {"Maj7", 4, {4, 7, 11}},
    {"Maj9", 4, {4, 7, 11, 14}},
    {"mMaj7", 4, {3, 7, 11}},
    {"mMaj9", 4, {3, 7, 11, 14}},
    {"sus4", 3, {5, 7}},
}};
static_assert(MM_namesSorted(kChords), "chord names must stay sorted");

// Semitones of the root letters A..G.
constexpr std::array<int, 7> kRootSemitones = {9, 11, 0, 2, 4, 5, 7};

// Note names by semitone; G and A carry a blank so that every name takes two
// columns.
constexpr std::array<const char *, kOctave> kNoteNames = {"C", "C+", "D", "D+", "E", "F",
                                                           "F+", "G ", "G+", "A ", "A+", "B"};

struct Chord {
    int count = 0;
    std::array<int, kMaxNotes> notes{};
};

// The row named by the whole of `name`, or null. No row name holds a blank,
// so a name that does is none of them, although the word lookup stops there.
const ChordRow *findChord(const char *name)
{
    for (const char *p = name; *p; ++p)
        if (MM_isBlank((unsigned char)*p)) return nullptr;
    return MM_findName(kChords, name);
}

// The 69 chords' upper inversions: root and third stay, the fifth goes above
// the sixth and ninth, and the last one adds the root two octaves up.
void invertSixNine(Chord *chord, int steps)
{
    int fifth = chord->notes[2];
    chord->notes[2] = chord->notes[3];
    chord->notes[3] = chord->notes[4];
    chord->notes[4] = fifth + kOctave;
    if (steps == 5) chord->notes[chord->count++] = chord->notes[0] + 2 * kOctave;
}

// Inverts `steps` times. A chord whose cycle covers all its notes rotates:
// the lowest note goes an octave up. Otherwise the root stays at the bottom
// and the note above it goes an octave up.
void invert(Chord *chord, int cycle, int steps)
{
    for (int round = 0; round < steps; ++round) {
        int first = cycle == chord->count ? 0 : 1;
        int moved = chord->notes[first] + kOctave;
        std::copy(chord->notes.begin() + first + 1, chord->notes.begin() + chord->count,
                  chord->notes.begin() + first);
        chord->notes[chord->count - 1] = moved;
    }
}

// Reads a chord symbol: a root letter, an optional sharp (`+`, `#`) or flat
// (`-`), blanks and a chord name. False when the symbol names no chord.
bool buildChord(const char *symbol, int32_t inversion, Chord *chord)
{
    const char *cursor = symbol;
    MM_skipBlanks(&cursor);
    int letter = MM_lowerAscii((unsigned char)*cursor);
    if (letter < 'a' || letter > 'g') return false;
    ++cursor;
    int root = kRootBase + kRootSemitones[letter - 'a'];
    if (*cursor == '+' || *cursor == '#') {
        ++root;
        ++cursor;
    } else if (*cursor == '-') {
        --root;
        ++cursor;
    }
    MM_skipBlanks(&cursor);
    const ChordRow *row = findChord(cursor);
    if (!row) return false;

    chord->count = 0;
    chord->notes[chord->count++] = root;
    for (int interval : row->intervals) {
        if (interval == 0) break;
        chord->notes[chord->count++] = root + interval;
    }
    if (inversion > 0 && row->cycle > 1) {
        int steps = inversion % row->cycle;
        if (row->cycle == 6 && steps >= 4) invertSixNine(chord, steps);
        else invert(chord, row->cycle, steps);
    }
    return true;
}

// A length as the rest command reads it (`:clocks`, or a note value and its
// dots) at the song's division; false when the text starts with neither.
bool stepTicks(int32_t division, const char *text, int32_t *ticks)
{
    const char *cursor = text;
    if (MMlength_value(division, &cursor, ticks) != 1) return false;
    MMlength_dots(&cursor, ticks);
    return true;
}

// An argument that is missing or written empty (`chord(C,,4)`) takes its
// default.
const char *argument(int argc, char **argv, int index)
{
    return index < argc && argv[index] && argv[index][0] ? argv[index] : nullptr;
}

}  // namespace

int MMgen_chord(mmctx *ctx, int space, char *out, int argc, char **argv)
{
    if (argc < 1 || !argv || !argv[0]) return MM_setErr(ctx, kCodeParameterError);

    int32_t inversion = 0;
    // Read as atoi reads: no number is 0.
    if (const char *text = argument(argc, argv, 1); text && MM_getNum(&inversion, &text) < 0) inversion = 0;
    const char *step = argument(argc, argv, 2);
    const char *gate = argument(argc, argv, 3);
    const char *suffix = argument(argc, argv, 4);

    char gateBuf[16];
    if (!gate && step) {
        int32_t ticks;
        if (!stepTicks(ctx->division, step, &ticks)) return MM_setErr(ctx, kCodeParameterError);
        snprintf(gateBuf, sizeof gateBuf, "%d", ticks > 0 ? (int)ticks - 1 : 0);
        gate = gateBuf;
    }
    if (!gate) gate = "0";
    if (!step) step = ":0";
    if (!suffix) suffix = "";

    Chord chord;
    if (!buildChord(argv[0], inversion, &chord)) return MM_setErr(ctx, kCodeParameterError);
    int base = *std::min_element(chord.notes.begin(), chord.notes.begin() + chord.count) / kOctave;

    MMgenText text(out, space);
    for (int i = 0; i < chord.count; ++i) {
        int note = chord.notes[i];
        int octaves = note / kOctave - base;
        if (!text.repeat('>', octaves) || !text.put(kNoteNames[note % kOctave]) || !text.put(":0,") ||
            !text.put(gate) || !text.put(suffix) || !text.repeat('<', octaves))
            return MMgen_outOfSpace(ctx);
    }
    if (!text.put("R") || !text.put(step)) return MMgen_outOfSpace(ctx);
    return text.length();
}
