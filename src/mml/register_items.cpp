#include "mml/register_items.h"

#include <array>
#include <cstring>

#include "base/limits.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "base/wrap_int.h"
#include "store/param_table.h"
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

constexpr MMrange kChannels{1, MM_CHANNELS};

// Range test of a parsed value. A relative (or ratio) value of a setter or
// offsetter has been applied to the part's record already, so its result can
// be tested or, for a `clamped` parameter, forced into the range; a pin keeps
// such a value as an operand for the note, which is not a parameter value and
// is left as written. A relative random value draws again when applied, where
// the parameter's own setter tests it.
bool accept(mmval *v, MMrange range, bool clamped, MMregKind kind)
{
    bool relative = (v->mode & (MMVAL_REL | MMVAL_RATIO)) != 0;
    bool random = (v->mode & MMVAL_RANDOM) != 0;
    if (!relative) return random ? v->lo >= range.lo && v->hi <= range.hi : MMrange_holds(range, v->value);
    if (kind == MMregKind::Pin || random) return true;
    if (!clamped) return MMrange_holds(range, v->value);
    v->value = MMclamp(v->value, range.lo, range.hi);
    return true;
}

bool atEnd(const char *cursor)
{
    MM_skipBlanks(&cursor);
    return *cursor == '\0';
}

// The value behind the colon, read into a copy of `base`.
bool readValue(const char *cursor, const mmval &base, MMregKind kind, MMrange range, bool clamped, mmval *out)
{
    mmval v = base;
    int parsed = kind == MMregKind::Pin ? MMval_parseItem(&v, &cursor) : MMval_parse(&v, &cursor);
    if (parsed < 0 || !accept(&v, range, clamped, kind) || !atEnd(cursor)) return false;
    *out = v;
    return true;
}

MMrange pick(const MMparamRow &row, MMregKind kind)
{
    switch (kind) {
    case MMregKind::Setter: return row.setterItem;
    case MMregKind::Pin: return row.pinItem;
    case MMregKind::Offsetter: break;
    }
    return row.offsetterItem;
}

// `ch:` takes a plain channel number, and only in setters and pins.
MMitemResult readChannel(const char *cursor, MMregKind kind, RegisterItem *item)
{
    int32_t channel;
    if (kind == MMregKind::Offsetter || MM_getNum(&channel, &cursor) < 0 || !MMrange_holds(kChannels, channel) ||
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
    if (MM_getNum(&controller, &cursor) < 0 || controller < 0 || controller > MM_CONTROLLER_MAX || *cursor != '/')
        return MMitemResult::Bad;
    ++cursor;
    MMrange range =
        kind == MMregKind::Offsetter ? MM_CC_OFFSET_RANGE : MMparam_ccRange(part->track->ccBase[controller]);
    const mmval &record = kind == MMregKind::Offsetter ? part->ccOffset[controller] : part->ccParam[controller];
    if (!readValue(cursor, record, kind, range, true, &item->value)) return MMitemResult::Bad;
    item->kind = MMI_CONTROL + controller;
    return MMitemResult::Ok;
}

}  // namespace

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
    MMparam param = MMparam_ofItem(entry->kind);
    const MMparamRow &row = MMparam_row(param);
    const mmval &record = kind == MMregKind::Offsetter ? part->offset[param] : part->param[param];
    if (!readValue(cursor, record, kind, pick(row, kind), row.clamped, &item->value)) return MMitemResult::Bad;
    item->kind = entry->kind;
    return MMitemResult::Ok;
}
