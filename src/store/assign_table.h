// Assignment tables of a track: what each note number (`@NOTEASN`) and each
// program (`@PROGASN`) gives the notes and program changes of its parts.
// Every table has 128 entries, indexed by note number or by program - 1, and
// is made when its first entry is written; until then it is not in use.
// A track's tables live until `@END` or the track's release.
#pragma once
#include <cstdint>
#include "base/context.h"

struct mmtrk;

// Work sizes as users see them in the progress and final lines: a table of
// byte entries, the per-note pitch bend table (16384 16-bit entries) and the
// per-program pitch bend table (128 16-bit entries).
constexpr int32_t MM_ASSIGN_WORK = 128;
constexpr int32_t MM_NOTE_PITCH_WORK = 32768;
constexpr int32_t MM_PROG_PITCH_WORK = 256;

constexpr int MM_ASSIGN_ENTRIES = 128;
// An absolute entry that was never written; written entries are 0 or more.
constexpr int16_t MM_ASSIGN_UNSET = -1;

enum MMassignForm : int { MMAF_ABSOLUTE, MMAF_OFFSET };

// The two tables of one quantity. An absolute entry holds the stored value
// (velocity, note, program - 1, pitch bend + 8192, controller base + value)
// or MM_ASSIGN_UNSET; an offset entry holds the amount added, 0 at first.
struct MMassignPair {
    int16_t *table[2];  // by MMassignForm; null until the first entry

    bool inUse() const { return table[MMAF_ABSOLUTE] || table[MMAF_OFFSET]; }
    // The absolute entry, or MM_ASSIGN_UNSET without the table.
    int32_t absolute(int index) const
    {
        return table[MMAF_ABSOLUTE] ? table[MMAF_ABSOLUTE][index & 127] : MM_ASSIGN_UNSET;
    }
    // The offset entry, or 0 without the table.
    int32_t offset(int index) const { return table[MMAF_OFFSET] ? table[MMAF_OFFSET][index & 127] : 0; }
};

// The quantities a table assigns; controller n has MMAK_CC0 + n. The note
// tables assign velocity, pitch bend, program and controllers, the program
// tables velocity, note number, pitch bend and controllers.
enum MMassignKind : int { MMAK_VELOCITY, MMAK_NOTE, MMAK_PITCH, MMAK_PROGRAM, MMAK_CC0, MMAK_COUNT = MMAK_CC0 + 128 };

struct MMassignSet {
    MMassignPair pair[MMAK_COUNT];
};

struct mmassign {
    MMassignSet byNote;     // `@NOTEASN`, indexed by note number
    MMassignSet byProgram;  // `@PROGASN`, indexed by program - 1
};

// The track's tables, made empty on first use; null with "Out of memory!"
// pending when they cannot be made.
mmassign *MMassign_get(mmtrk *track);

// Writes `value` into entries lo..hi (within 0..127) of the chosen table of
// `kind` in `set`, one of the two sets of MMassign_get(track); the table is
// made on the first write and filled with its start value. 0, or -1 with
// "Out of memory!" pending.
int MMassign_fill(mmtrk *track, MMassignSet *set, int kind, MMassignForm form, int lo, int hi, int32_t value);

// Releases all the track's assignment tables; the track plays unassigned
// until new ones are written.
void MMassign_release(mmctx *ctx, mmtrk *track);
