#include "mml/one_shot.h"

#include "base/wrap_int.h"
#include "mml/registers.h"
#include "store/param_table.h"
#include "store/track.h"

namespace {

void take(MMshot &shot, const mmval *item, const mmval &base)
{
    shot.set = true;
    shot.value = MMval_relTo(item, &base);
}

int32_t current(mmval &value, mmval &offset) { return MMwrap_add(MMval_get(&value), MMval_get(&offset)); }

// The tempo to go back to is the one the part's tempo setter sends: record
// plus offsetter, held to the tempo range. A part that never set a tempo has
// a record of 0 and keeps the plain sum, which is sent only when above 0.
int32_t tempoRestore(mmval &value, mmval &offset)
{
    int32_t tempo = MMval_get(&value);
    int32_t bpm = MMwrap_add(tempo, MMval_get(&offset));
    if (tempo <= 0) return bpm;
    MMrange range = MMparam_row(MMP_TEMPO).value;
    return MMclamp(bpm, range.lo, range.hi);
}

}  // namespace

void MMnote_pinItem(mmpart *part, MMnoteShots *shots, int32_t kind, const mmval *item)
{
    mmval *param = part->param;
    switch (kind) {
    case MMI_TEMPO:
        take(shots->tempo, item, param[MMP_TEMPO]);
        shots->tempoRestore = tempoRestore(param[MMP_TEMPO], part->offset[MMP_TEMPO]);
        return;
    case MMI_KEYSHIFT: take(shots->keyShift, item, param[MMP_KEYSHIFT]); return;
    case MMI_OCTAVE: take(shots->octave, item, param[MMP_OCTAVE]); return;
    case MMI_VELOCITY: take(shots->velocity, item, param[MMP_VELOCITY]); return;
    case MMI_OFFVEL: take(shots->offVelocity, item, param[MMP_OFFVEL]); return;
    case MMI_STEP: take(shots->step, item, param[MMP_STEP]); return;
    case MMI_GATERATIO: take(shots->gateRatio, item, param[MMP_GATERATIO]); return;
    case MMI_GATE: take(shots->gate, item, param[MMP_GATE]); return;
    case MMI_PROGRAM: take(shots->program, item, param[MMP_PROGRAM]); return;
    case MMI_PITCH:
        take(shots->pitch, item, param[MMP_PITCH]);
        shots->pitchRestore = current(param[MMP_PITCH], part->offset[MMP_PITCH]);
        return;
    case MMI_CAFPRES: take(shots->cafPressure, item, param[MMP_CAFPRES]); return;
    case MMI_CAFDELAY: take(shots->cafDelay, item, param[MMP_CAFDELAY]); return;
    case MMI_PAFPRES: take(shots->pafPressure, item, param[MMP_PAFPRES]); return;
    case MMI_PAFDELAY: take(shots->pafDelay, item, param[MMP_PAFDELAY]); return;
    default: break;
    }
    if (kind >= MMI_CONTROL && kind < MMI_CONTROL + 128) {
        int controller = kind - MMI_CONTROL;
        int32_t value = MMval_relTo(item, &part->ccParam[controller]);
        int32_t restore = current(part->ccParam[controller], part->ccOffset[controller]);
        shots->controllers.push_back({controller, value, restore});
    }
    // Channel, delay and the sending aftertouch items do not act on a note.
}

void MMpin_take(mmctx *, mmpart *part, MMnoteShots *shots)
{
    if (part->pinArmed && part->pinDef)
        for (const RegisterItem *item = part->pinDef->items; item; item = item->next)
            MMnote_pinItem(part, shots, item->kind, &item->value);
    part->pinArmed = 0;
}
