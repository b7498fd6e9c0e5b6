#include "store/part.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/limits.h"
#include "base/messages.h"
#include "store/track.h"

namespace {

int partHash(uint32_t number) { return (0u - number) & 15; }

template <class R> void freeChains(mmctx *ctx, R **chains, int32_t work)
{
    for (int i = 0; i < MM_REGISTER_CHAINS; ++i) {
        while (R *r = chains[i]) {
            chains[i] = r->next;
            MMpart_freeItems(ctx, r->items);
            delete r;
            ctx->workSize -= work;
        }
    }
}

}  // namespace

mmpart *MMpart_get(mmtrk *track, uint32_t number)
{
    int hash = partHash(number);
    mmpart *&bucket = track->partBuckets[hash];
    for (mmpart *p = bucket; p; p = p->next)
        if (p->number == number) return p;
    mmpart *p = (mmpart *)calloc(1, sizeof(mmpart));
    if (!p) {
        MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
        return nullptr;
    }
    track->ctx->workSize += MM_PART_WORK;
    p->track = track;
    MMpart_init(track, p);
    p->number = number;
    p->next = bucket;
    bucket = p;
    track->partBucketsUsed |= 1u << hash;
    return p;
}

void MMpart_init(mmtrk *track, mmpart *part)
{
    mmctx *ctx = track->ctx;
    memcpy(part->cmdMap, ctx->cmdMap, sizeof part->cmdMap);
    part->channel = 16;
    part->clock = track->measureClock;
    part->lastNote = -1;
    part->param[MMP_TEMPO] = MMval_abs(0);
    part->param[MMP_OCTAVE] = MMval_abs(4);
    part->param[MMP_DELAY] = MMval_abs(0);
    part->param[MMP_KEYSHIFT] = MMval_abs(0);
    part->param[MMP_VELOCITY] = MMval_abs(127);
    part->param[MMP_STEP] = MMval_abs(ctx->division);
    part->param[MMP_GATE] = MMval_abs(ctx->division);
    part->param[MMP_GATERATIO] = MMval_abs(100);
    part->param[MMP_PROGRAM] = MMval_abs(1);
    part->param[MMP_PITCH] = MMval_abs((int32_t)track->lastPitch - MM_PITCH_CENTRE);
    for (int i : {MMP_CAFPRES, MMP_PAFPRES, MMP_CAFDELAY, MMP_PAFDELAY}) part->param[i] = MMval_abs(0);
    for (int c = 0; c < 128; ++c) part->ccParam[c] = MMval_abs(track->ccValue[c] - track->ccBase[c]);
    for (mmval &v : part->offset) v = MMval_abs(0);
    for (mmval &v : part->ccOffset) v = MMval_abs(0);
}

void MMpart_freeItems(mmctx *ctx, RegisterItem *&items)
{
    while (RegisterItem *item = items) {
        items = item->next;
        delete item;
        ctx->workSize -= MM_REGITEM_WORK;
    }
}

void MMpart_freeRegisters(mmctx *ctx, mmpart *part)
{
    freeChains(ctx, part->setters, MM_SETTER_WORK);
    freeChains(ctx, part->offsetters, MM_SETTER_WORK);
    freeChains(ctx, part->pins, MM_PIN_WORK);
    part->setter = nullptr;
    part->offsetter = nullptr;
    part->pinDef = nullptr;
    part->pinArmed = 0;
}

void MMpart_free(mmctx *ctx, mmpart *part)
{
    MMpart_freeRegisters(ctx, part);
    free(part);
    ctx->workSize -= MM_PART_WORK;
}
