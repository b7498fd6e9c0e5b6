#include "mml/register_items.h"

#include <array>
#include <cstring>

#include "base/name_table.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "mml/one_shot.h"
#include "store/track.h"

namespace {

struct ItemName {
    const char *name;
    int32_t kind;
};

// Every name is written with its colon; `cc:` is followed by the controller
// number and `/` before the value.
constexpr std::array<ItemName, 32> kItemNames{{
    {"caf:", MMI_CAF},          {"cafdelay:", MMI_CAFDELAY}, {"cafpres:", MMI_CAFPRES}, {"cc:", MMI_CONTROL},
    {"cd:", MMI_CAFDELAY},      {"ch:", MMI_CHANNEL},        {"d:", MMI_DELAY},         {"delay:", MMI_DELAY},
    {"g:", MMI_GATE},           {"gate:", MMI_GATE},         {"gateper:", MMI_GATERATIO}, {"gp:", MMI_GATERATIO},
    {"k:", MMI_KEYSHIFT},       {"key:", MMI_KEYSHIFT},      {"o:", MMI_OCTAVE},        {"octave:", MMI_OCTAVE},
    {"offvel:", MMI_OFFVEL},    {"ov:", MMI_OFFVEL},         {"p:", MMI_PITCH},         {"paf:", MMI_PAF},
    {"pafdelay:", MMI_PAFDELAY}, {"pafpres:", MMI_PAFPRES},  {"pd:", MMI_PAFDELAY},     {"pg:", MMI_PROGRAM},
    {"pitch:", MMI_PITCH},      {"prog:", MMI_PROGRAM},      {"s:", MMI_STEP},          {"step:", MMI_STEP},
    {"t:", MMI_TEMPO},          {"tempo:", MMI_TEMPO},       {"v:", MMI_VELOCITY},      {"vel:", MMI_VELOCITY},
}};
static_assert(MM_namesSorted(kItemNames));

constexpr std::size_t kLongestName = 9;  // "cafdelay:", "pafdelay:"

struct Range {
    int32_t lo;
    int32_t hi;
};

// What one parameter accepts. A relative value of a `clamped` parameter is
// forced into the range instead of being refused.
struct ItemRule {
    MMparam record;
    bool clamped;
    Range setter;
    Range pin;
    Range offset;
};

constexpr int32_t kLastKind = MMI_PAFDELAY;
constexpr Range k7Bit{0, 127};
constexpr Range kOffset7Bit{-127, 127};

constexpr std::array<ItemRule, kLastKind + 1> makeRules()
{
    std::array<ItemRule, kLastKind + 1> r{};
    r[MMI_TEMPO] = {MMP_TEMPO, false, {16, 512}, {16, 512}, {-496, 496}};
    r[MMI_DELAY] = {MMP_DELAY, false, {-32768, 32767}, {-32768, 32767}, {-65535, 65535}};
    r[MMI_KEYSHIFT] = {MMP_KEYSHIFT, false, {-127, 127}, {-127, 127}, {-255, 255}};
    r[MMI_OCTAVE] = {MMP_OCTAVE, false, {-1, 9}, {-1, 9}, {-20, 20}};
    r[MMI_VELOCITY] = {MMP_VELOCITY, true, {1, 127}, {1, 127}, kOffset7Bit};
    r[MMI_OFFVEL] = {MMP_OFFVEL, true, k7Bit, k7Bit, kOffset7Bit};
    r[MMI_STEP] = {MMP_STEP, false, {0, 65535}, {0, 65535}, {-65535, 65535}};
    r[MMI_GATERATIO] = {MMP_GATERATIO, false, {1, 1000}, {1, 1000}, {-1000, 1000}};
    r[MMI_GATE] = {MMP_GATE, false, {0, 65535}, {0, 65535}, {-65535, 65535}};
    r[MMI_PROGRAM] = {MMP_PROGRAM, false, {1, 128}, {1, 128}, kOffset7Bit};
    r[MMI_PITCH] = {MMP_PITCH, true, {-8192, 8191}, {-8192, 8191}, {-16383, 16383}};
    r[MMI_CAF] = {MMP_CAFPRES, true, k7Bit, k7Bit, kOffset7Bit};
    r[MMI_CAFPRES] = {MMP_CAFPRES, true, k7Bit, k7Bit, kOffset7Bit};
    r[MMI_CAFDELAY] = {MMP_CAFDELAY, false, {0, 32767}, {0, 65535}, {-65535, 65535}};
    r[MMI_PAF] = {MMP_PAFPRES, true, k7Bit, k7Bit, kOffset7Bit};
    r[MMI_PAFPRES] = {MMP_PAFPRES, true, k7Bit, k7Bit, kOffset7Bit};
    r[MMI_PAFDELAY] = {MMP_PAFDELAY, false, {0, 32767}, {0, 65535}, {-65535, 65535}};
    return r;
}

constexpr auto kRules = makeRules();

constexpr Range kChannels{1, 16};

bool within(int32_t v, Range r) { return v >= r.lo && v <= r.hi; }

// Range test of a parsed value. A relative (or ratio) value of a setter or
// offsetter has been applied to the part's record already, so its result can
// be tested or clamped; a pin keeps such a value as an operand for the note,
// which is not a parameter value and is left as written. A relative random
// value draws again when applied, where the parameter's own setter tests it.
bool accept(mmval *v, Range range, bool clamped, MMregKind kind)
{
    bool relative = (v->mode & (MMVAL_REL | MMVAL_RATIO)) != 0;
    bool random = (v->mode & MMVAL_RANDOM) != 0;
    if (!relative) return random ? v->lo >= range.lo && v->hi <= range.hi : within(v->value, range);
    if (kind == MMregKind::Pin || random) return true;
    if (!clamped) return within(v->value, range);
    v->value = MMclamp(v->value, range.lo, range.hi);
    return true;
}

bool atEnd(const char *cursor)
{
    MM_skipBlanks(&cursor);
    return *cursor == '\0';
}

// The value behind the colon, read into a copy of `base`.
bool readValue(const char *cursor, const mmval &base, MMregKind kind, Range range, bool clamped, mmval *out)
{
    mmval v = base;
    int parsed = kind == MMregKind::Pin ? MMval_parseItem(&v, &cursor) : MMval_parse(&v, &cursor);
    if (parsed < 0 || !accept(&v, range, clamped, kind) || !atEnd(cursor)) return false;
    *out = v;
    return true;
}

Range pick(const ItemRule &rule, MMregKind kind)
{
    switch (kind) {
    case MMregKind::Setter: return rule.setter;
    case MMregKind::Pin: return rule.pin;
    case MMregKind::Offsetter: break;
    }
    return rule.offset;
}

// `ch:` takes a plain channel number, and only in setters and pins.
MMitemResult readChannel(const char *cursor, MMregKind kind, RegisterItem *item)
{
    int32_t channel;
    if (kind == MMregKind::Offsetter || MM_getNum(&channel, &cursor) < 0 || !within(channel, kChannels) ||
        !atEnd(cursor))
        return MMitemResult::Bad;
    item->kind = MMI_CHANNEL;
    item->value = MMval_abs(channel);
    return MMitemResult::Ok;
}

// `cc:N/value`: N 0..127 with the `/` right behind it; values are relative
// to the track's controller base.
MMitemResult readControl(mmpart *part, const char *cursor, MMregKind kind, RegisterItem *item)
{
    int32_t controller;
    if (MM_getNum(&controller, &cursor) < 0 || controller < 0 || controller > 127 || *cursor != '/')
        return MMitemResult::Bad;
    ++cursor;
    int32_t base = part->track->ccBase[controller];
    Range range = kind == MMregKind::Offsetter ? kOffset7Bit : Range{-base, 127 - base};
    const mmval &record = kind == MMregKind::Offsetter ? part->ccOffset[controller] : part->ccParam[controller];
    if (!readValue(cursor, record, kind, range, true, &item->value)) return MMitemResult::Bad;
    item->kind = MMI_CONTROL + controller;
    return MMitemResult::Ok;
}

}  // namespace

MMparam MMreg_record(int32_t kind) { return kRules[kind >= 0 && kind <= kLastKind ? kind : MMI_TEMPO].record; }

MMitemResult MMreg_readItem(mmpart *part, MMregKind kind, const char *text, RegisterItem *item)
{
    const char *colon = strchr(text, ':');
    if (!colon) return MMitemResult::Bad;
    std::size_t nameLength = (std::size_t)(colon - text) + 1;
    if (nameLength > kLongestName) return MMitemResult::Bad;
    char name[kLongestName + 1];
    memcpy(name, text, nameLength);
    name[nameLength] = '\0';
    const ItemName *entry = MM_findName(kItemNames, name);
    if (!entry) return MMitemResult::Bad;
    if (entry->kind == MMI_TEMPO && part->track != part->track->ctx->ctrlTrack) return MMitemResult::TempoOutsideCtrl;

    const char *cursor = colon + 1;
    if (entry->kind == MMI_CHANNEL) return readChannel(cursor, kind, item);
    if (entry->kind == MMI_CONTROL) return readControl(part, cursor, kind, item);
    const ItemRule &rule = kRules[entry->kind];
    const mmval &record = kind == MMregKind::Offsetter ? part->offset[rule.record] : part->param[rule.record];
    if (!readValue(cursor, record, kind, pick(rule, kind), rule.clamped, &item->value)) return MMitemResult::Bad;
    item->kind = entry->kind;
    return MMitemResult::Ok;
}
