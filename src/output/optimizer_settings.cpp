// The `.optset` control line and the body of the `@OPT` track command.
#include "output/optimizer_settings.h"

#include <array>
#include <cstring>
#include <strings.h>

#include "base/messages.h"
#include "base/name_table.h"
#include "base/parse.h"
#include "store/event_writers.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr int kKindSize = 79;        // `.optset` kinds and flags hold at most 78 characters
constexpr int kArgSize = 80;         // `@OPT` arguments compared as words
constexpr int32_t kOff = 0x10000;    // flag keyword `off`: clears MMOPT_ON
constexpr int32_t kKindCc = -2;      // `.optset cc:N`
constexpr int32_t kWordPres = -3;    // `@OPT(pres, ...)`: both aftertouch words

constexpr std::array<MMname, 11> kFlagKeys{{
    {"caf", MMOPT_FCAF},
    {"cc", MMOPT_FCC},
    {"excl", MMOPT_FEXCL},
    {"note", MMOPT_FNOTE},
    {"off", kOff},
    {"on", MMOPT_ON},
    {"paf", MMOPT_FPAF},
    {"pitch", MMOPT_FPITCH},
    {"pres", MMOPT_FPRES},
    {"prog", MMOPT_FPROG},
    {"tempo", MMOPT_FTEMPO},
}};

// What a clear marker may forget.
constexpr std::array<MMname, 9> kClearKeys{{
    {"caf", MMOPT_FCAF},
    {"cc", MMOPT_FCC},
    {"excl", MMOPT_FEXCL},
    {"note", MMOPT_FNOTE},
    {"paf", MMOPT_FPAF},
    {"pitch", MMOPT_FPITCH},
    {"pres", MMOPT_FPRES},
    {"prog", MMOPT_FPROG},
    {"tempo", MMOPT_FTEMPO},
}};

constexpr std::array<MMname, 8> kOptsetKinds{{
    {"caf", MMOPT_CAF},
    {"cc", kKindCc},
    {"excl", MMOPT_EXCL},
    {"note", MMOPT_NOTE},
    {"paf", MMOPT_PAF},
    {"pitch", MMOPT_PITCH},
    {"prog", MMOPT_PROG},
    {"tempo", MMOPT_TEMPO},
}};

constexpr std::array<MMname, 8> kCommandWords{{
    {"caf", MMOPT_CAF},
    {"excl", MMOPT_EXCL},
    {"note", MMOPT_NOTE},
    {"paf", MMOPT_PAF},
    {"pitch", MMOPT_PITCH},
    {"pres", kWordPres},
    {"prog", MMOPT_PROG},
    {"tempo", MMOPT_TEMPO},
}};

static_assert(MM_namesSorted(kFlagKeys) && MM_namesSorted(kClearKeys) && MM_namesSorted(kOptsetKinds) &&
              MM_namesSorted(kCommandWords));

// Copies an argument of an `@OPT` list without its surrounding blanks; an
// argument too long for any keyword becomes empty.
const char *trimArg(const char *arg, char (&buf)[kArgSize])
{
    while (MM_isBlank((unsigned char)*arg)) ++arg;
    size_t n = strlen(arg);
    while (n > 0 && MM_isBlank((unsigned char)arg[n - 1])) --n;
    if (n >= sizeof buf) n = 0;
    memcpy(buf, arg, n);
    buf[n] = '\0';
    return buf;
}

int applyFlag(uint16_t *flags, const char *keyword)
{
    int32_t value = MM_lookupName(keyword, kFlagKeys);
    if (value < 0) return -1;
    if (value == kOff)
        *flags &= (uint16_t)~MMOPT_ON;
    else
        *flags |= (uint16_t)value;
    return 0;
}

// The note word never thins, the exclusive word neither, and the tempo word
// has nothing to forget. `@OPT` also drops the note bits from the note word.
uint16_t restrictWord(int word, uint16_t flags, uint16_t noteDrops)
{
    if (word == MMOPT_NOTE) return flags & (uint16_t)~(MMOPT_ON | noteDrops);
    if (word == MMOPT_EXCL) return flags & (uint16_t)~MMOPT_ON;
    if (word == MMOPT_TEMPO) return flags & MMOPT_ON;
    return flags;
}

void skipSeparator(const char **cursor)
{
    MM_skipBlanks(cursor);
    if (**cursor == ',') ++*cursor;
    MM_skipBlanks(cursor);
}

int settingError(mmctx *ctx) { return MM_setErr(ctx, "Optimizer setting error!"); }
int commandError(mmctx *ctx) { return MM_setErr(ctx, MM_text(MSG_OPTIMIZE_COMMAND)); }

}  // namespace

int MMopt_parseFlags(mmctx *ctx, int count, char **words, uint16_t *flags)
{
    if (count < 1) return MM_setErr(ctx, MM_text(MSG_OPTIMIZE_FLAG));
    for (int i = 0; i < count; ++i) {
        char buf[kArgSize];
        if (applyFlag(flags, trimArg(words[i], buf)) < 0) return MM_setErr(ctx, MM_text(MSG_OPTIMIZE_FLAG));
    }
    return 0;
}

int MMopt_optset(mmctx *ctx, const char *text)
{
    mmtrk *track = MMtrk_ref(ctx, &text);
    if (!track) return -1;
    char word[kKindSize];
    if (MM_getIdent(word, sizeof word, &text) < 0) return settingError(ctx);
    int32_t kind = MM_lookupName(word, kOptsetKinds);
    if (kind == -1) return settingError(ctx);
    skipSeparator(&text);
    if (kind == kKindCc) {
        if (*text != ':') return settingError(ctx);
        ++text;
        int32_t controller = 0;
        if (MM_getNum(&controller, &text) < 0 || controller < 0 || controller > 127) return settingError(ctx);
        kind = MMOPT_CC0 + controller;
    }
    uint16_t flags = 0;
    for (;;) {
        skipSeparator(&text);
        if (*text == '\0') break;
        if (MM_getIdent(word, sizeof word, &text) < 0) return settingError(ctx);
        if (applyFlag(&flags, word) < 0) return MM_setErr(ctx, MM_text(MSG_OPTIMIZE_FLAG));
    }
    track->optFlags[kind] = restrictWord(kind, flags, 0);
    return 0;
}

int MMopt_command(mmctx *ctx, mmtrk *track, uint32_t clock, int argc, char **argv)
{
    if (argc < 1) return commandError(ctx);
    char buf[kArgSize];
    const char *first = trimArg(argv[0], buf);
    if (strcasecmp(first, "clear") == 0) {
        uint16_t flags = 0xffff;
        if (argc > 1) {
            flags = 0;
            for (int i = 1; i < argc; ++i) {
                int32_t value = MM_lookupName(trimArg(argv[i], buf), kClearKeys);
                if (value < 0) return commandError(ctx);
                flags |= (uint16_t)value;
            }
        }
        return MMevt_marker(track, clock, MMOPT_CLEAR_MARKER, flags);
    }
    int32_t word;
    if (strncasecmp(first, "cc:", 3) == 0) {
        const char *number = first + 3;
        int32_t controller = 0;
        if (MM_getNum(&controller, &number) < 0 || *number != '\0' || controller < 0 || controller > 127)
            return commandError(ctx);
        word = MMOPT_CC0 + controller;
    } else {
        word = MM_lookupName(first, kCommandWords);
        if (word == -1) return commandError(ctx);
    }
    uint16_t flags = 0;
    if (MMopt_parseFlags(ctx, argc - 1, argv + 1, &flags) < 0) return -1;
    if (word == kWordPres) {
        track->optFlags[MMOPT_CAF] = flags;
        track->optFlags[MMOPT_PAF] = flags;
    } else {
        track->optFlags[word] = restrictWord(word, flags, MMOPT_FNOTE);
    }
    return 0;
}
