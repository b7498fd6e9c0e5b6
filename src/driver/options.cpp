#include "driver/options.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "base/message_table.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/text_encoding.h"

mmsettings MM_settings = {0, nullptr, MM_DEFAULT_CODE_SIZE, MM_DEFAULT_HEAP_SIZE, "", "qoral.zyl", "", {}};

void MM_resetSettings()
{
    MM_strListClear(&MM_settings.defs);
    MM_settings = mmsettings{0, nullptr, MM_DEFAULT_CODE_SIZE, MM_DEFAULT_HEAP_SIZE, "", "qoral.zyl", "", {}};
}

namespace {

// The option error and the usage text exist in English only, whatever the
// message language.
constexpr const char *kParamError = "@ Parameter error!!";

constexpr const char *kUsage[] = {
    "\n***** QORAL ver.3.02a #01 : MML compiler *****\n\n",
    "usage : qoral [<opt>] <file[.mml]> [<file[.mid]>]\n",
    "    <opt> : -scnMsg             Output screen message\n",
    "            -mppMsg             Output pre-processer message\n",
    "            -dumpMsg            Output dump message\n",
    "            -cnsMsgIgn          Ignore console message\n",
    "            -errOut <file>      Error message output file\n",
    "            -MsgOut <file>      Message output file\n",
    "            -codeSize <n>       ZYL code size (K bytes)\n",
    "            -heapSize <n>       ZYL heap size (K bytes)\n",
    "            -zylFile <file>     ZYL program filename\n",
    "            -def <name>[=<str>] Macro define\n",
};

// An option's result when its name does not fit its field.
constexpr int kNameTooLong = -2;

// Copies an option's argument into a settings field. A name that does not fit
// is refused, never cut: a cut name could open some other file.
template <size_t N>
int setField(char (&field)[N], const char *value)
{
    if (strlen(value) >= N) return kNameTooLong;
    memcpy(field, value, strlen(value) + 1);
    return 0;
}

// atoi's reading (optional blanks and sign, leading digits, 0 without any)
// without its overflow: values beyond int are held at the int limits.
int32_t decimalValue(const char *text)
{
    long value = strtol(text, nullptr, 10);
    return (int32_t)std::clamp<long>(value, INT_MIN, INT_MAX);
}

uint32_t kilobytes(const char *text) { return (uint32_t)((int64_t)decimalValue(text) * 1024); }

int optHelp(mmctx *, const char *)
{
    MM_usage();
    return -1;
}
int optScnMsg(mmctx *ctx, const char *) { ctx->scnMsg = 1; return 0; }
int optMppMsg(mmctx *ctx, const char *) { ctx->mppMsg = 1; return 0; }
int optDumpMsg(mmctx *ctx, const char *) { ctx->dumpMsg = 1; return 0; }
int optDebugMsg(mmctx *ctx, const char *) { ctx->debugMsg = 1; return 0; }
int optRemarkMsg(mmctx *ctx, const char *) { ctx->remarkMsg = 1; return 0; }
int optCnsMsgIgn(mmctx *ctx, const char *) { ctx->console = 0; return 0; }
int optErrOut(mmctx *ctx, const char *arg) { return setField(ctx->errPath, arg); }
int optMsgOut(mmctx *ctx, const char *arg) { return setField(ctx->msgPath, arg); }
int optZylPath(mmctx *, const char *arg) { return setField(MM_settings.zylDir, arg); }
int optZylFile(mmctx *, const char *arg) { return setField(MM_settings.zylFile, arg); }
int optCodeSize(mmctx *, const char *arg) { MM_settings.codeSize = kilobytes(arg); return 0; }
int optHeepSize(mmctx *, const char *arg) { MM_settings.heapSize = kilobytes(arg); return 0; }
int optRoll(mmctx *ctx, const char *arg) { return setField(ctx->rollPath, arg); }
int optDef(mmctx *, const char *arg) { MM_strListAdd(&MM_settings.defs, "%s", arg); return 0; }
int optNoWarn(mmctx *ctx, const char *) { ctx->noWarn = 1; return 0; }

// "gnu": errors and warnings as FILE:LINE:COLUMN for editors; "std": the
// console report. Any other value leaves the form unchanged.
int optDiag(mmctx *ctx, const char *arg)
{
    if (strcasecmp(arg, "gnu") == 0) ctx->diagGnu = 1;
    else if (strcasecmp(arg, "std") == 0) ctx->diagGnu = 0;
    return 0;
}

// "utf8" or "sjis": every source file is read in that encoding; "auto": each
// file is read as UTF-8 until a line shows it is Shift-JIS. Any other value
// leaves the choice unchanged.
int optEncoding(mmctx *ctx, const char *arg)
{
    if (strcasecmp(arg, "utf8") == 0 || strcasecmp(arg, "utf-8") == 0) ctx->sourceEncoding = MM_ENC_UTF8;
    else if (strcasecmp(arg, "sjis") == 0 || strcasecmp(arg, "shift_jis") == 0) ctx->sourceEncoding = MM_ENC_SJIS;
    else if (strcasecmp(arg, "auto") == 0) ctx->sourceEncoding = MM_ENC_AUTO;
    return 0;
}

int optMsgTyp(mmctx *, const char *arg)
{
    if (strcasecmp(arg, "japan") == 0 || strcasecmp(arg, "jpn") == 0) MM_setLanguage(1);
    else if (strcasecmp(arg, "english") == 0 || strcasecmp(arg, "eng") == 0) MM_setLanguage(0);
    return 0;
}

int optWorkMode(mmctx *ctx, const char *arg)
{
    if (strcasecmp(arg, "memory") == 0 || strcasecmp(arg, "mem") == 0) ctx->workMode = 0;
    else if (strcasecmp(arg, "file") == 0) ctx->workMode = 1;
    return 0;
}

int optWorkPath(mmctx *ctx, const char *arg)
{
    // Work file names are appended to the path, so a non-empty one ends in a separator.
    char *path = ctx->workPath;
    size_t length = strlen(arg);
    bool slash = length > 0 && !MM_isSeparator(MM_lastChar(arg));
    if (length + slash >= sizeof ctx->workPath) return kNameTooLong;
    memcpy(path, arg, length + 1);
    if (slash) strcat(path, "/");
    return 0;
}

// The words other command-line programs answer; unlike the table's help and
// "?", which end the run with status 1, they end it successfully.
struct Convention {
    const char *word;
    void (*print)();
};

constexpr std::array kConventions = {
    Convention{"--help", MM_usage},
    Convention{"--version", MM_version},
    Convention{"-h", MM_usage},
};

const Convention *findConvention(const char *word)
{
    for (const Convention &convention : kConventions)
        if (strcasecmp(convention.word, word) == 0) return &convention;
    return nullptr;
}

struct Option {
    const char *key;
    bool takesArgument;
    int (*apply)(mmctx *ctx, const char *argument);
};

// Sorted by key without regard to case.
constexpr std::array kOptions = {
    Option{"cnsMsgIgn", false, optCnsMsgIgn},
    Option{"codeSize", true, optCodeSize},
    Option{"debugMsg", false, optDebugMsg},
    Option{"def", true, optDef},
    Option{"diag", true, optDiag},
    Option{"dumpMsg", false, optDumpMsg},
    Option{"encoding", true, optEncoding},
    Option{"errOut", true, optErrOut},
    Option{"heepSize", true, optHeepSize},
    Option{"help", false, optHelp},
    Option{"mppMsg", false, optMppMsg},
    Option{"msgOut", true, optMsgOut},
    Option{"msgTyp", true, optMsgTyp},
    Option{"noWarn", false, optNoWarn},
    Option{"remarkMsg", false, optRemarkMsg},
    Option{"roll", true, optRoll},
    Option{"scnMsg", false, optScnMsg},
    Option{"workMode", true, optWorkMode},
    Option{"workPath", true, optWorkPath},
    Option{"zylFile", true, optZylFile},
    Option{"zylPath", true, optZylPath},
};

constexpr int compareKeys(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int x = MM_lowerAscii((unsigned char)*a), y = MM_lowerAscii((unsigned char)*b);
        if (x != y || !x) return x - y;
    }
}

static_assert(std::is_sorted(kOptions.begin(), kOptions.end(),
                             [](const Option &a, const Option &b) { return compareKeys(a.key, b.key) < 0; }));

const Option *findOption(const char *name)
{
    auto it = std::lower_bound(kOptions.begin(), kOptions.end(), name,
                               [](const Option &o, const char *n) { return compareKeys(o.key, n) < 0; });
    return it != kOptions.end() && compareKeys(it->key, name) == 0 ? &*it : nullptr;
}

// A word beginning with '-' is an option. A word beginning with '/' is one
// only when it names an option or asks for help; any other is a path.
bool isOptionWord(const char *word)
{
    if (word[0] == '-') return true;
    return word[0] == '/' && (word[1] == '?' || findOption(word + 1));
}

// The first file name is the source, the second the output. Each must fit its
// field with the extension it may still get.
bool fileNameFits(mmctx *ctx, int index, const char *word)
{
    char *field = index == 0 ? ctx->sourceName : ctx->outputName;
    char withExtension[MM_PATH_SIZE];
    if (MM_defaultExt(withExtension, word, index == 0 ? ".mml" : ".mid") == 0) {
        memcpy(field, word, strlen(word) + 1);
        return true;
    }
    printf("%s (%s : name too long)\n", kParamError, index == 0 ? "source file" : "output file");
    return false;
}

}  // namespace

void MM_usage()
{
    for (const char *line : kUsage) fputs(line, stdout);
}

void MM_version() { printf("%s\n", MM_BANNER); }

int MM_parseArgs(int argc, char **argv)
{
    mmctx *ctx = &MM_ctx;
    ctx->console = 1;
    ctx->noWarn = ctx->diagGnu = 0;
    MM_strListClear(&MM_settings.defs);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char *word = argv[i];
        if (!isOptionWord(word)) {
            if (files < 2 && !fileNameFits(ctx, files, word)) return -1;
            ++files;
            continue;
        }
        if (const Convention *convention = findConvention(word)) {
            convention->print();
            return 1;
        }
        const char *name = word + 1;
        if (name[0] == '?') {
            MM_usage();
            return -1;
        }
        const Option *option = findOption(name);
        if (!option) {
            printf("%s (%s)\n", kParamError, word);
            return -1;
        }
        const char *argument = nullptr;
        if (option->takesArgument) {
            // A missing argument, or one that looks like an option, drops the option.
            if (i + 1 >= argc || isOptionWord(argv[i + 1])) continue;
            argument = argv[++i];
        }
        if (int result = option->apply(ctx, argument); result != 0) {
            if (result == kNameTooLong) printf("%s (%s : name too long)\n", kParamError, word);
            return -1;
        }
    }
    if (files == 0 || !ctx->sourceName[0]) {
        printf("%s\n", kParamError);
        return -1;
    }
    return 0;
}
