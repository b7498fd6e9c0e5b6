#include "decl/import_decl.h"

#include <array>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "base/limits.h"
#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "base/paths.h"
#include "import/midi_import.h"
#include "source/reader.h"
#include "store/track.h"

// The error text of this file exists in English only.

namespace {

constexpr const char *kImportError = "Track data import error!";
constexpr size_t kKeyLengthMax = 30;
// A file counts its track chunks in 16 bits.
constexpr int32_t kChunkIndexMax = 65535;
constexpr const char kCcKey[] = "inpCC";
constexpr int kCcKeyLength = sizeof kCcKey - 1;

struct ImportLine {
    MMimp_options options;
    std::string fileName;
};

// The words of the line; `inpCC(7,10):off` stays one word.
std::vector<std::string> splitImportWords(const char *text)
{
    char **array = nullptr;
    int count = MM_splitWords(text, &array, true);
    std::vector<std::string> words(array, array + count);
    MM_freeWords(count, array);
    return words;
}

// `on` or `off` as a whole word, any case.
bool readSwitch(const char *value, bool *on)
{
    int state = MM_onOff(value);
    if (state < 0) return false;
    *on = state == 1;
    return true;
}

// Unsigned decimal digits at `*cursor` giving at most `max`; no sign, no
// blanks, and no wrap-around of long numbers.
bool readDecimal(const char **cursor, int32_t max, int32_t *out)
{
    const char *p = *cursor;
    if (!isdigit((unsigned char)*p)) return false;
    int64_t value = 0;
    for (; isdigit((unsigned char)*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > max) return false;
    }
    *out = (int32_t)value;
    *cursor = p;
    return true;
}

// A decimal number that is the whole of `text`.
bool readWholeNumber(const char *text, int32_t max, int32_t *out)
{
    return readDecimal(&text, max, out) && *text == '\0';
}

template <int Class> bool setClass(ImportLine *line, const char *value)
{
    return readSwitch(value, &line->options.classOn[Class]);
}

bool setFileName(ImportLine *line, const char *value)
{
    line->fileName = value;
    return true;
}

bool setChannel(ImportLine *line, const char *value)
{
    int32_t channel;
    if (MM_wordCmp(value, "omni") == 0) {
        line->options.sourceChannel = MMIMP_ALL;
        return true;
    }
    if (!readWholeNumber(value, MM_CHANNELS, &channel) || channel < 1) return false;
    line->options.sourceChannel = channel - 1;
    return true;
}

bool setTrack(ImportLine *line, const char *value)
{
    int32_t chunk;
    if (MM_wordCmp(value, "all") == 0) {
        line->options.sourceTrack = MMIMP_ALL;
        return true;
    }
    if (!readWholeNumber(value, kChunkIndexMax, &chunk)) return false;
    line->options.sourceTrack = chunk;
    return true;
}

struct ImportKey {
    const char *name;
    bool (*apply)(ImportLine *line, const char *value);
};

constexpr std::array<ImportKey, 11> kImportKeys{{
    {"fn", setFileName},
    {"inpCaf", setClass<MMIMP_CAF>},
    {"inpCh", setChannel},
    {"inpExcl", setClass<MMIMP_EXCL>},
    {"inpMeta", setClass<MMIMP_META>},
    {"inpNote", setClass<MMIMP_NOTE>},
    {"inpPaf", setClass<MMIMP_PAF>},
    {"inpPitch", setClass<MMIMP_PITCH>},
    {"inpProg", setClass<MMIMP_PROG>},
    {"inpTempo", setClass<MMIMP_TEMPO>},
    {"inpTrack", setTrack},
}};
static_assert(MM_namesSorted(kImportKeys));

// `inpCC:on|off` switches every controller; `inpCC(list):on|off` the
// controllers listed, each 0..127.
bool applyControllers(ImportLine *line, const char *rest)
{
    std::array<bool, MM_CONTROLLERS> listed{};
    if (*rest == ':') {
        listed.fill(true);
    } else {
        if (*rest != '(') return false;
        ++rest;
        for (;;) {
            int32_t controller;
            if (!readDecimal(&rest, MM_CONTROLLER_MAX, &controller)) return false;
            listed[controller] = true;
            if (*rest == ')') break;
            if (*rest != ',') return false;
            ++rest;
        }
        if (*++rest != ':') return false;
    }
    bool on;
    if (!readSwitch(rest + 1, &on)) return false;
    for (int c = 0; c < MM_CONTROLLERS; ++c)
        if (listed[c]) line->options.ccOn[c] = on;
    return true;
}

bool applyWord(ImportLine *line, const char *word)
{
    if (MM_wordNCmp(word, kCcKey, kCcKeyLength) == 0) return applyControllers(line, word + kCcKeyLength);
    if (!isalpha((unsigned char)*word)) return false;
    size_t length = 1;
    while (isalnum((unsigned char)word[length]) || word[length] == '_') ++length;
    if (length > kKeyLengthMax || word[length] != ':') return false;
    std::string key(word, length);
    const ImportKey *entry = MM_findName(kImportKeys, key.c_str());
    return entry && entry->apply(line, word + length + 1);
}

}  // namespace

int MMctl_import(mmctx *ctx, const char *text)
{
    mmtrk *track = MMtrk_ref(ctx, &text);
    if (!track) return -1;
    std::vector<std::string> words = splitImportWords(text);
    if (words.empty()) return MM_setErr(ctx, kImportError);

    ImportLine line;
    MMimp_defaults(&line.options, track == ctx->ctrlTrack);
    for (const std::string &word : words)
        if (!applyWord(&line, word.c_str())) return MM_setErr(ctx, kImportError);
    if (line.fileName.empty()) return MM_setErr(ctx, kImportError);
    return MMimp_readFile(ctx, track, line.fileName.c_str(), line.options, MM_fopen);
}
