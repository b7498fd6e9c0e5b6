#include "decl/table_decl.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/limits.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "base/paths.h"
#include "store/track.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr const char *kSettingError = "Table setting error!";
constexpr const char *kTypeError = "Table type must be identifier!";
constexpr const char *kParameterError = "Table parameter error!";

constexpr int32_t kPrograms = 128;  // programs 1..128 travel as 0..127

// Keys and values of a table share one range; entry key + shift holds
// value + shift.
struct TableRow {
    const char *name;
    int32_t min;
    int32_t max;
    int32_t shift;
    uint8_t *(*map)(mmtrk *track);  // null: the pitch map
};

constexpr std::array<TableRow, 8> kTables{{
    {"caf", 0, MM_CONTROLLER_MAX, 0, [](mmtrk *t) { return t->cafMap; }},
    {"cc", 0, MM_CONTROLLER_MAX, 0, [](mmtrk *t) { return t->ccMap; }},
    {"ch", 1, MM_CHANNELS, -1, [](mmtrk *t) { return t->chMap; }},
    {"note", 0, MM_NOTES - 1, 0, [](mmtrk *t) { return t->noteMap; }},
    {"paf", 0, MM_CONTROLLER_MAX, 0, [](mmtrk *t) { return t->pafMap; }},
    {"pitch", MM_PITCH_MIN, MM_PITCH_MAX, MM_PITCH_CENTRE, nullptr},
    {"prog", 1, kPrograms, -1, [](mmtrk *t) { return t->progMap; }},
    {"vel", 1, MM_CONTROLLER_MAX, 0, [](mmtrk *t) { return t->velMap; }},
}};

static_assert(MM_namesSorted(kTables), "table types must be sorted by name");

// The table a `.table` line fills, its maps made on first use.
struct Table {
    int32_t min;
    int32_t max;
    int32_t shift;
    uint8_t *bytes;
    uint16_t *words;
};

// `ccv:N`: controller N's value map, whose keys and values are written
// relative to the controller's value base at the time of the line. N is read
// as strtol reads it; a type word without a number names no controller.
int ccvTable(mmctx *ctx, mmtrk *track, const char *number, Table *table)
{
    char *end;
    errno = 0;
    long controller = strtol(number, &end, 10);
    if (end == number || errno != 0 || controller < 0 || controller > MM_CONTROLLER_MAX) return MM_setErr(ctx, kTypeError);
    if (!track->ccvMap[controller] && MMtrk_initCcMap(track, (int)controller) < 0) return -1;
    int32_t base = track->ccBase[controller];
    *table = Table{-base, MM_CONTROLLER_MAX - base, base, track->ccvMap[controller], nullptr};
    return 0;
}

int tableOf(mmctx *ctx, mmtrk *track, const char *type, Table *table)
{
    constexpr int kCcvLength = 4;
    if (MM_wordNCmp(type, "ccv:", kCcvLength) == 0) return ccvTable(ctx, track, type + kCcvLength, table);
    const TableRow *row = MM_findName(kTables, type);
    if (!row || strlen(type) != strlen(row->name)) return MM_setErr(ctx, kTypeError);
    if (!row->map) {
        if (!track->pitchMap && MMtrk_initPitchMap(track) < 0) return -1;
        *table = Table{row->min, row->max, row->shift, nullptr, track->pitchMap};
    } else {
        *table = Table{row->min, row->max, row->shift, row->map(track), nullptr};
    }
    return 0;
}

// A quoted word may carry blanks behind its value; anything else is a fault.
bool wordEnds(const char *cursor)
{
    MM_skipBlanks(&cursor);
    return *cursor == '\0';
}

// `from:value` or `from-to:value`: every key of the range gets the value.
int setEntries(mmctx *ctx, const Table &table, const char *word)
{
    int32_t from = 0, to = 0, value = 0;
    const char *cursor = word;
    if (MM_getNum(&from, &cursor) < 0) return MM_setErr(ctx, kParameterError);
    to = from;
    if (*cursor == '-') {
        ++cursor;
        if (MM_getNum(&to, &cursor) < 0 || to < from) return MM_setErr(ctx, kParameterError);
    }
    if (*cursor != ':') return MM_setErr(ctx, kParameterError);
    ++cursor;
    if (MM_getNum(&value, &cursor) < 0 || !wordEnds(cursor)) return MM_setErr(ctx, kSettingError);
    if (value < table.min || value > table.max) return MM_setErr(ctx, kSettingError);
    // Keys past the range fail at the first of them, which bounds the walk.
    for (int64_t key = from; key <= to; ++key) {
        if (key < table.min || key > table.max) return MM_setErr(ctx, kSettingError);
        int64_t index = key + table.shift;
        if (table.words) table.words[index] = (uint16_t)(value + table.shift);
        else table.bytes[index] = (uint8_t)(value + table.shift);
    }
    return 0;
}

int fillTable(mmctx *ctx, mmtrk *track, int count, char **words)
{
    if (count < 2) return MM_setErr(ctx, kSettingError);
    Table table{};
    if (tableOf(ctx, track, words[0], &table) < 0) return -1;
    for (int i = 1; i < count; ++i)
        if (setEntries(ctx, table, words[i]) < 0) return -1;
    return 0;
}

}  // namespace

int MMctl_table(mmctx *ctx, const char *text)
{
    mmtrk *track = MMtrk_ref(ctx, &text);
    if (!track) return -1;
    char **words = nullptr;
    int count = MM_splitWords(text, &words);
    int result = fillTable(ctx, track, count, words);
    MM_freeWords(count, words);
    return result;
}

int MMctl_mmlcmd(mmctx *ctx, const char *text)
{
    constexpr const char *kError = "MML command setting error!";
    MM_skipBlanks(&text);
    int letter = MM_lowerAscii((unsigned char)*text);
    if (letter < 'a' || letter > 'z' || ctx->cmdMap[letter - 'a'] < 0) return MM_setErr(ctx, kError);
    ++text;
    MM_skipBlanks(&text);
    int code = MM_getMmlCmd(&text);
    if (code < 0 || !wordEnds(text)) return MM_setErr(ctx, kError);
    ctx->cmdMap[letter - 'a'] = code;
    return 0;
}
