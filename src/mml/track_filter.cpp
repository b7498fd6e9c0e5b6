// `@FILTER(kind, key:value, ...)`: reads one filter kind and its keys and
// stores them in that filter of the part's track. The writers apply the
// filters to every later event (store/filter.h).
#include "mml/track_filter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "base/limits.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "store/filter.h"
#include "store/track.h"

namespace {

// How a kind keeps its fields and which checks they must pass. The width
// follows from the rule: 32-bit unsigned for tempo, 16-bit signed for delay
// and pitch bend, 8-bit signed for the rest.
enum class Rule { Tempo, Delay, Pitch, Byte };

struct FilterKind {
    const char *name;
    Rule rule;
    mmfilter mmtrk::*filter;  // null for `cc`, whose number picks the filter
};

// Searched in this order, each word compared over its own length, so the
// first word that the argument begins with wins (`velocity` is `vel`). The
// order is the language's, not alphabetical: no binary search here.
constexpr std::array<FilterKind, 9> kKinds{{
    {"tempo", Rule::Tempo, &mmtrk::tempoF},
    {"delay", Rule::Delay, &mmtrk::delayF},
    {"note", Rule::Byte, &mmtrk::noteF},
    {"vel", Rule::Byte, &mmtrk::velF},
    {"pitch", Rule::Pitch, &mmtrk::pitchF},
    {"prog", Rule::Byte, &mmtrk::progF},
    {"caf", Rule::Byte, &mmtrk::cafF},
    {"paf", Rule::Byte, &mmtrk::pafF},
    {"cc", Rule::Byte, nullptr},
}};

enum class Key { Off, Ratio, Min, Max, Bit, Rnd };

struct FilterKey {
    const char *name;
    Key key;
};

// Searched in this order like the kinds; the colon is part of each word.
constexpr std::array<FilterKey, 6> kKeys{{
    {"off:", Key::Off},
    {"ratio:", Key::Ratio},
    {"min:", Key::Min},
    {"max:", Key::Max},
    {"bit:", Key::Bit},
    {"rnd:", Key::Rnd},
}};

constexpr int32_t kPitchTop = MM_PITCH_CENTRE + MM_PITCH_MAX;  // 16383, the 14-bit top

// What one command gives: the last value of each key. A key the command does
// not give leaves its field as it is.
struct Request {
    std::optional<int32_t> off, ratio, min, max, bit;
    std::optional<std::pair<int32_t, int32_t>> rnd;  // as given, before any cut or swap
};

// One `key:number` argument, or `rnd:a/b`; false when it is malformed.
// Characters after the number are ignored.
bool readKey(const char *text, Request &request)
{
    const FilterKey *key = MM_findPrefix(kKeys, text);
    if (!key) return false;
    const char *cursor = text + strlen(key->name);
    int32_t value;
    if (MM_getNum(&value, &cursor) < 0) return false;
    switch (key->key) {
    case Key::Off: request.off = value; return true;
    case Key::Ratio: request.ratio = value; return true;
    case Key::Min: request.min = value; return true;
    case Key::Max: request.max = value; return true;
    case Key::Bit: request.bit = value; return true;
    case Key::Rnd: {
        MM_skipBlanks(&cursor);
        if (*cursor != '/') return false;
        ++cursor;
        int32_t second;
        if (MM_getNum(&second, &cursor) < 0) return false;
        request.rnd = {value, second};
        return true;
    }
    }
    return false;
}

// The filter that the kind word names on the track; for `cc` the word goes
// on with `:` and a controller number. Null when the number is bad.
mmfilter *filterOf(mmtrk *track, const FilterKind &kind, const char *word)
{
    if (kind.filter) return &(track->*kind.filter);
    int32_t controller = MM_ccSuffix(word + strlen(kind.name));
    return controller < 0 ? nullptr : &track->ccF[controller];
}

// A value cut to the width of the kind's fields, as the record keeps it.
int32_t toWidth(Rule rule, int32_t value)
{
    switch (rule) {
    case Rule::Tempo: return value;  // all 32 bits, read as unsigned
    case Rule::Delay:
    case Rule::Pitch: return (int16_t)value;
    case Rule::Byte: return (int8_t)value;
    }
    return value;
}

// lo <= hi in the kind's own reading of its fields.
bool inOrder(Rule rule, int32_t lo, int32_t hi)
{
    return rule == Rule::Tempo ? (uint32_t)lo <= (uint32_t)hi : lo <= hi;
}

// The tempo filter keeps microseconds per quarter note, but its limits and
// random bounds are given in quarter notes per minute, 16..512 like the
// part's tempo; the lower tempo is the larger figure. False out of range.
bool microseconds(int32_t beatsPerMinute, int32_t *out)
{
    if (beatsPerMinute < MM_TEMPO_MIN || beatsPerMinute > MM_TEMPO_MAX) return false;
    *out = (int32_t)(MM_MICROSECONDS_PER_MINUTE / (uint32_t)beatsPerMinute);
    return true;
}

// The checks on the whole record after all keys. Tempo values given in
// beats per minute were checked as they were converted; those not given
// keep values that were valid before.
bool valid(Rule rule, const mmfilter &f)
{
    if (f.bits > f.maxBits) return false;
    if (!inOrder(rule, f.lo, f.hi)) return false;
    switch (rule) {
    case Rule::Tempo: return true;
    case Rule::Delay: return f.lo != INT16_MIN && !(f.randOn && f.randLo == INT16_MIN);
    case Rule::Pitch:
        return f.lo >= -kPitchTop && f.hi <= kPitchTop && f.randHi <= kPitchTop && !(f.randOn && f.randLo < -kPitchTop);
    case Rule::Byte: return f.lo != INT8_MIN && !(f.randOn && f.randLo == INT8_MIN);
    }
    return false;
}

// Stores the request into `f`, cut to the kind's width; false when a value
// is refused.
bool apply(Rule rule, const Request &request, mmfilter &f)
{
    if (request.ratio) {
        // A percentage to 1/1024 units, rounded up by 99/100 of a unit; the
        // division truncates toward zero and the field keeps 32 bits.
        int64_t ratio = ((int64_t)*request.ratio * 1024 + 99) / 100;
        f.ratio = (int32_t)(uint32_t)ratio;
    }
    if (request.off) f.offset = toWidth(rule, *request.off);  // tempo: microseconds
    if (request.bit) f.bits = (uint8_t)*request.bit;
    if (rule == Rule::Tempo) {
        if (request.min && !microseconds(*request.min, &f.hi)) return false;
        if (request.max && !microseconds(*request.max, &f.lo)) return false;
        if (request.rnd &&
            (!microseconds(request.rnd->first, &f.randLo) || !microseconds(request.rnd->second, &f.randHi)))
            return false;
    } else {
        if (request.min) f.lo = toWidth(rule, *request.min);
        if (request.max) f.hi = toWidth(rule, *request.max);
        if (request.rnd) {
            f.randLo = toWidth(rule, request.rnd->first);
            f.randHi = toWidth(rule, request.rnd->second);
        }
    }
    if (request.rnd) {
        if (!f.randAllowed) return false;
        f.randOn = request.rnd->first != request.rnd->second;
        // Kept in order as stored, so the random term's modulus
        // randHi - randLo + 1 is at least 1.
        if (!inOrder(rule, f.randLo, f.randHi)) std::swap(f.randLo, f.randHi);
    }
    return valid(rule, f);
}

// The failures after the argument count carry no message of their own: the
// report shows the printer's fallback text and the error point at the `@`.
// A message left over from earlier in the line must not stand in for it.
int failWithoutMessage(mmctx *ctx)
{
    ctx->errMsg = nullptr;
    return -1;
}

}  // namespace

int MMtcmd_filter(mmctx *ctx, mmpart *part, int argc, char **argv)
{
    if (argc < 2) return MM_setErr(ctx, "Filter error!!");
    const FilterKind *kind = MM_findPrefix(kKinds, argv[0]);
    if (!kind) return 0;  // an unknown kind is no failure: nothing changes
    mmfilter *target = filterOf(part->track, *kind, argv[0]);
    if (!target) return failWithoutMessage(ctx);
    Request request;
    for (int i = 1; i < argc; ++i)
        if (!readKey(argv[i], request)) return failWithoutMessage(ctx);
    // A refused command leaves the filter as it was.
    mmfilter changed = *target;
    if (!apply(kind->rule, request, changed)) return failWithoutMessage(ctx);
    MMfilter_refresh(changed);
    *target = changed;
    return 0;
}
