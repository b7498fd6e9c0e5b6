#include <cstring>
#include <initializer_list>

#include "store/track.h"

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
    part->param[MMP_PITCH] = MMval_abs((int32_t)track->lastPitch - 8192);
    for (int i : {MMP_CAFPRES, MMP_PAFPRES, MMP_CAFDELAY, MMP_PAFDELAY}) part->param[i] = MMval_abs(0);
    for (int c = 0; c < 128; ++c) part->ccParam[c] = MMval_abs(track->ccValue[c] - track->ccBase[c]);
    for (mmval &v : part->offset) v = MMval_abs(0);
    for (mmval &v : part->ccOffset) v = MMval_abs(0);
}
