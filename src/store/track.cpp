#include "store/track.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <unordered_map>

#include "base/limits.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/paths.h"
#include "store/assign_table.h"
#include "store/event.h"
#include "store/filter.h"
#include "store/work.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

// The tracks by number and by lower-case name. The buckets of the context
// keep the order in which tracks are visited; this finds them.
struct MMtrackIndex {
    std::unordered_map<uint32_t, mmtrk *> byNumber;
    std::unordered_map<std::string, mmtrk *> byName;
};

namespace {

std::string lowerName(const char *name)
{
    std::string key = name;
    for (char &c : key) c = (char)MM_lowerAscii((unsigned char)c);
    return key;
}

int trackHash(const char *name)
{
    unsigned hash = 0;
    for (const unsigned char *p = (const unsigned char *)name; *p; ++p) hash -= (unsigned)tolower(*p);
    return hash & 15;
}

void setFilter(mmfilter &f, int32_t lo, int32_t hi, int32_t bits, bool randAllowed)
{
    f = mmfilter{1024, 0, lo, hi, bits, bits, (uint8_t)randAllowed, 0, lo, hi, 0};
    MMfilter_refresh(f);
}

// The optimiser thins tempo, pitch bend, program, aftertouch and the usual
// continuous controllers; program changes and the reset controllers make a
// channel forget what it has kept.
void defaultOptFlags(mmtrk *track)
{
    uint16_t *flags = track->optFlags;
    memset(flags, 0, sizeof track->optFlags);
    flags[MMOPT_TEMPO] = MMOPT_ON;
    flags[MMOPT_NOTE] = MMOPT_FPRES;
    flags[MMOPT_PITCH] = MMOPT_ON;
    flags[MMOPT_PROG] = MMOPT_ON | MMOPT_FPITCH | MMOPT_FPRES | MMOPT_FCC;
    flags[MMOPT_CAF] = MMOPT_ON | MMOPT_FPAF;
    flags[MMOPT_PAF] = MMOPT_ON | MMOPT_FCAF;
    flags[MMOPT_EXCL] = MMOPT_FNOTE | MMOPT_FPROG | MMOPT_FPITCH | MMOPT_FPRES | MMOPT_FCC;
    flags[MMOPT_CC0 + 0] = MMOPT_FPROG;
    for (int c : {1, 7, 10, 11, 91, 93}) flags[MMOPT_CC0 + c] = MMOPT_ON;
    flags[MMOPT_CC0 + 120] = MMOPT_FNOTE;
    for (int c : {121, 123, 124, 125, 126, 127})
        flags[MMOPT_CC0 + c] = MMOPT_FNOTE | MMOPT_FPITCH | MMOPT_FPRES | MMOPT_FCC;
    memset(&track->optState, 0xff, sizeof track->optState);
}

void initTrack(mmtrk *t)
{
    t->delayFilterOn = 1;
    t->lastPitch = MM_PITCH_CENTRE;
    t->ccValue[7] = 100;
    t->ccValue[10] = 64;
    t->ccValue[11] = 127;
    t->ccValue[91] = 64;
    t->ccValue[93] = 64;
    for (int i = 0; i < 16; ++i) t->chMap[i] = (uint8_t)i;
    for (int i = 0; i < 128; ++i) {
        t->noteMap[i] = t->velMap[i] = t->progMap[i] = (uint8_t)i;
        t->cafMap[i] = t->pafMap[i] = t->ccMap[i] = (uint8_t)i;
    }
    t->ccBase[10] = 64;
    setFilter(t->tempoF, 156250, 2500000, 24, true);
    setFilter(t->delayF, -1024, 1024, 16, true);
    setFilter(t->noteF, 0, 127, 7, false);
    setFilter(t->velF, 1, 127, 7, true);
    setFilter(t->pitchF, 0, MM_PITCH_CENTRE + MM_PITCH_MAX, 14, true);
    setFilter(t->progF, 0, 127, 7, true);
    setFilter(t->cafF, 0, 127, 7, true);
    setFilter(t->pafF, 0, 127, 7, true);
    for (int c = 0; c < 128; ++c) setFilter(t->ccF[c], -t->ccBase[c], 127 - t->ccBase[c], 7, true);
    defaultOptFlags(t);
}

// TMP, else TMPDIR, else the current folder; a folder's name gets its
// separator. A name that does not fit is refused, never cut.
int defaultWorkPath(mmctx *ctx)
{
    const char *variable = getenv("TMP") ? "TMP" : getenv("TMPDIR") ? "TMPDIR" : nullptr;
    std::string path = variable ? getenv(variable) : "./";
    if (!path.empty() && !MM_isSeparator(MM_lastChar(path.c_str()))) path += '/';
    if (path.size() >= sizeof ctx->workPath) {
        MM_setErrMsg(ctx, "$%s : Work folder name too long (at most %d bytes)!", variable,
                     (int)sizeof ctx->workPath - 2);
        return -1;
    }
    memcpy(ctx->workPath, path.c_str(), path.size() + 1);
    return 0;
}

}  // namespace

int MMtrk_int(mmctx *ctx)
{
    memset(ctx->trackBuckets, 0, sizeof ctx->trackBuckets);
    delete ctx->trackIndex;
    ctx->trackIndex = new MMtrackIndex;
    ctx->ctrlTrack = nullptr;
    ctx->trackCount = 0;
    if (MMtrk_create(ctx, 0, "CTRL", 0, 0) < 0) return -1;
    ctx->ctrlTrack = MMtrk_findNo(ctx, 0);
    if (ctx->workMode == 1 && ctx->workPath[0] == '\0' && defaultWorkPath(ctx) < 0) return -1;
    MM_slashPath(ctx->workPath);
    ctx->workCounter = 0;
    ctx->workNextNumber = 0;
    memset(ctx->workSlots, 0, sizeof ctx->workSlots);
    MM_msg(ctx, MSGC_INIT, "$$$ MMtrk_int() Ok");
    return 0;
}

int MMtrk_create(mmctx *ctx, uint32_t number, const char *name, uint32_t port, uint32_t channel)
{
    if (MMtrk_find(ctx, name)) {
        MM_setErrMsg(ctx, "Using track macro 0x22%s0x22 !", name);
        return -1;
    }
    if (MMtrk_findNo(ctx, number)) {
        MM_setErrMsg(ctx, "Using track no.%d !", (int)number);
        return -1;
    }
    if (ctx->trackCount >= MM_MAX_TRACKS) {
        MM_setErrMsg(ctx, "Too many tracks! (a MIDI file holds %d, CTRL included)", (int)MM_MAX_TRACKS);
        return -1;
    }
    mmtrk *t = (mmtrk *)calloc(1, sizeof(mmtrk));
    if (!t) return MM_setErr(ctx, MM_text(MSG_OUT_OF_MEMORY));
    ctx->workSize += MM_TRACK_WORK;
    initTrack(t);
    t->ctx = ctx;
    snprintf(t->name, sizeof t->name, "%s", name);
    t->number = number;
    t->port = port;
    t->channel = channel;
    t->measureClock = ctx->measureClock;
    t->maxClock = 0;
    if (!ctx->trackIndex) ctx->trackIndex = new MMtrackIndex;
    ctx->trackIndex->byNumber.emplace(number, t);
    ctx->trackIndex->byName.emplace(lowerName(t->name), t);
    int bucket = trackHash(t->name);
    t->next = ctx->trackBuckets[bucket];
    ctx->trackBuckets[bucket] = t;
    ++ctx->trackCount;
    return 0;
}

mmtrk *MMtrk_find(mmctx *ctx, const char *name)
{
    if (!ctx->trackIndex) return nullptr;
    auto found = ctx->trackIndex->byName.find(lowerName(name));
    return found == ctx->trackIndex->byName.end() ? nullptr : found->second;
}

mmtrk *MMtrk_findNo(mmctx *ctx, uint32_t number)
{
    if (!ctx->trackIndex) return nullptr;
    auto found = ctx->trackIndex->byNumber.find(number);
    return found == ctx->trackIndex->byNumber.end() ? nullptr : found->second;
}

mmtrk *MMtrk_ref(mmctx *ctx, const char **text)
{
    MM_skipBlanks(text);
    if (!isdigit((unsigned char)**text)) {
        char name[256];
        if (MM_getIdent(name, sizeof name, text) < 0) {
            MM_setErr(ctx, "Track Macro/Number error!");
            return nullptr;
        }
        mmtrk *t = MMtrk_find(ctx, name);
        if (!t) MM_setErrMsg(ctx, "Track macro:'%s' not use!", name);
        return t;
    }
    int32_t number = 0;
    MM_getNum(&number, text);
    if (number < 1) {
        MM_setErr(ctx, "Track Macro/Number error!");
        return nullptr;
    }
    mmtrk *t = MMtrk_findNo(ctx, (uint32_t)number);
    if (!t) MM_setErrMsg(ctx, "Track no.%d not use!", number);
    return t;
}

void MMtrk_syncTo(mmctx *, mmtrk *track, uint32_t clock)
{
    track->measureClock = clock;
    // Run at every measure for every track: only the buckets in use are walked.
    for (uint32_t used = track->partBucketsUsed; used; used &= used - 1)
        for (mmpart *p = track->partBuckets[__builtin_ctz(used)]; p; p = p->next) p->clock = clock;
}

int MMtrk_initPitchMap(mmtrk *track)
{
    if (!track->pitchMap) {
        track->pitchMap = (uint16_t *)malloc(MM_PITCH_ENTRIES * sizeof(uint16_t));
        if (!track->pitchMap) return MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
        track->ctx->workSize += MM_PITCHMAP_WORK;
    }
    for (int i = 0; i < MM_PITCH_ENTRIES; ++i) track->pitchMap[i] = (uint16_t)i;
    return 0;
}

int MMtrk_initCcMap(mmtrk *track, int controller)
{
    uint8_t *&map = track->ccvMap[controller & 127];
    if (!map) {
        map = (uint8_t *)malloc(128);
        if (!map) return MM_setErr(track->ctx, MM_text(MSG_OUT_OF_MEMORY));
        track->ctx->workSize += MM_CCMAP_WORK;
    }
    for (int i = 0; i < 128; ++i) map[i] = (uint8_t)i;
    return 0;
}

void MMtrk_close(mmctx *ctx, mmtrk *track)
{
    if (track->pitchMap) {
        free(track->pitchMap);
        track->pitchMap = nullptr;
        ctx->workSize -= MM_PITCHMAP_WORK;
    }
    for (uint8_t *&map : track->ccvMap) {
        if (!map) continue;
        free(map);
        map = nullptr;
        ctx->workSize -= MM_CCMAP_WORK;
    }
    MMassign_release(ctx, track);
    for (mmpart *&bucket : track->partBuckets) {
        while (mmpart *p = bucket) {
            bucket = p->next;
            MMpart_free(ctx, p);
        }
    }
    track->partBucketsUsed = 0;
}

void MMtrk_freeAll(mmctx *ctx)
{
    for (mmtrk *&bucket : ctx->trackBuckets) {
        while (mmtrk *t = bucket) {
            bucket = t->next;
            MMtrk_close(ctx, t);
            MMwork_remove(t);
            MMevt_freeAll(t);
            free(t);
            ctx->workSize -= MM_TRACK_WORK;
        }
    }
    delete ctx->trackIndex;
    ctx->trackIndex = nullptr;
    ctx->ctrlTrack = nullptr;
    ctx->trackCount = 0;
}

uint32_t MMmeas_length(const mmctx *ctx)
{
    return (uint32_t)MM_measureLength((uint32_t)ctx->division, ctx->curSignature[0], ctx->curSignature[1]);
}

uint32_t MMmeas_step(mmctx *ctx)
{
    uint32_t measureEnd = ctx->measureClock + MMmeas_length(ctx);
    MMtrk_each(ctx, [&](mmtrk *t) {
        MMtrk_syncTo(ctx, t, measureEnd);
        if (t->maxClock > ctx->maxTrackClock) ctx->maxTrackClock = t->maxClock;
        return 0;
    });
    ++ctx->measureCount;
    char size[32];
    MM_msgf(ctx, MSGC_PROGRESS, MM_text(MSG_PROGRESS), measureEnd, ctx->measureCount, ctx->curSignature[0],
            1 << ctx->curSignature[1], MM_sizeStr(ctx->workSize, size));
    ctx->measureClock = measureEnd;
    return measureEnd;
}
