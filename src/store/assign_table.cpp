#include "store/assign_table.h"

#include <cstdlib>

#include "base/message_table.h"
#include "base/messages.h"
#include "store/track.h"

namespace {

// The size users see for a table of `kind` in `set`: the pitch bend tables
// have 16-bit entries, the per-note one 16384 of them.
int32_t workOf(const mmassign *tables, const MMassignSet *set, int kind)
{
    if (kind != MMAK_PITCH) return MM_ASSIGN_WORK;
    return set == &tables->byNote ? MM_NOTE_PITCH_WORK : MM_PROG_PITCH_WORK;
}

void releaseSet(mmctx *ctx, const mmassign *tables, MMassignSet &set)
{
    for (int kind = 0; kind < MMAK_COUNT; ++kind) {
        for (int16_t *&table : set.pair[kind].table) {
            if (!table) continue;
            free(table);
            table = nullptr;
            ctx->workSize -= workOf(tables, &set, kind);
        }
    }
}

}  // namespace

mmassign *MMassign_get(mmtrk *track)
{
    if (!track->assign) {
        track->assign = (mmassign *)calloc(1, sizeof(mmassign));
        if (!track->assign) MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
    }
    return track->assign;
}

int MMassign_fill(mmtrk *track, MMassignSet *set, int kind, MMassignForm form, int lo, int hi, int32_t value)
{
    int16_t *&table = set->pair[kind].table[form];
    if (!table) {
        table = (int16_t *)malloc(MM_ASSIGN_ENTRIES * sizeof(int16_t));
        if (!table) return MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
        track->ctx->workSize += workOf(track->assign, set, kind);
        int16_t start = form == MMAF_ABSOLUTE ? MM_ASSIGN_UNSET : 0;
        for (int i = 0; i < MM_ASSIGN_ENTRIES; ++i) table[i] = start;
    }
    for (int i = lo; i <= hi; ++i) table[i & 127] = (int16_t)value;
    return 0;
}

void MMassign_release(mmctx *ctx, mmtrk *track)
{
    mmassign *tables = track->assign;
    if (!tables) return;
    releaseSet(ctx, tables, tables->byNote);
    releaseSet(ctx, tables, tables->byProgram);
    free(tables);
    track->assign = nullptr;
}
