#include "driver/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "base/command_names.h"
#include "base/files_read.h"
#include "base/messages.h"
#include "base/parse.h"
#include "base/paths.h"
#include "base/random.h"
#include "driver/offered.h"
#include "driver/options.h"
#include "output/smf_writer.h"
#include "script/zyl.h"
#include "source/macro_table.h"
#include "source/reader.h"
#include "source/text_scan.h"
#include "store/pattern.h"
#include "store/track.h"

namespace {

constexpr size_t kSearchPathMax = 1024;   // characters of PATH searched
constexpr const char *kStartFunction = "QORAL_start";
constexpr int kDefNameSize = 256;

// Letters a..z: -1 for the character table (notes, l, n, r), 0 for unbound.
constexpr int32_t kDefaultCmdMap[MM_LETTERS] = {
    -1, -1, -1, -1, -1, -1, -1,                                                   // a..g
    MMCMD_CHANNEL, 0, 0, MMCMD_KEYSHIFT, -1, MMCMD_CCV + 1, -1, MMCMD_OCTAVE,    // h..o
    MMCMD_CCV + 10, MMCMD_GATERATIO, -1, MMCMD_CLOCK, MMCMD_TEMPO, MMCMD_PITCH,  // p..u
    MMCMD_VELOCITY, MMCMD_CCV + 7, MMCMD_CCV + 11, 0, 0,                          // v..z
};
constexpr uint8_t kDefaultSignature[4] = {4, 2, 24, 8};

}  // namespace

void MM_contextDefaults(mmctx *ctx)
{
    memcpy(ctx->cmdMap, kDefaultCmdMap, sizeof ctx->cmdMap);
    ctx->ended = 0;
    ctx->division = 960;
    ctx->tempoWritten = 0;
    ctx->tempo = ctx->curTempo = 500000;
    ctx->signatureWritten = 0;
    ctx->maxTrackClock = ctx->measureClock = 0;
    ctx->measureCount = 0;
    memcpy(ctx->signature, kDefaultSignature, 4);
    memcpy(ctx->curSignature, kDefaultSignature, 4);
    ctx->title[0] = ctx->copyright[0] = '\0';
    ctx->errBuf[0] = '\0';
    ctx->errMsg = ctx->errBuf;
    ctx->workSize = 0;
}

namespace {

// An error or message file must not empty the source or the start-up script
// before they are read, nor the MIDI file of the last compile. 0, or -1 with a
// pending message.
int openMessageFile(mmctx *ctx, FILE **stream, const char *path, const char *what, const char *script)
{
    if (!path[0]) return 0;
    for (auto [name, role] : {std::pair{(const char *)ctx->sourceName, "the source file"},
                              std::pair{(const char *)ctx->outputName, "the output file"},
                              std::pair{script, "the start-up script"}})
        if (name && MM_sameFile(path, name)) {
            MM_setErrMsg(ctx, "%s : %s file is %s!", path, what, role);
            return -1;
        }
    *stream = MM_openPath(path, "w");
    return 0;
}

// A folder of the script's name never counts as the script.
bool readable(const char *path)
{
    FILE *fp = MM_openPath(path, "r");
    if (!fp) return false;
    fclose(fp);
    return true;
}

// A joined name that does not fit the path buffer is not tried: cut, it
// could name some other file.
bool tryDirectory(char *path, const std::string &dir)
{
    char joined[MM_PATH_SIZE + 1];
    snprintf(joined, sizeof joined, "%s", dir.c_str());
    MM_pathJoin(joined, MM_settings.zylFile, sizeof joined);
    if (dir.size() >= MM_PATH_SIZE || strlen(joined) >= MM_PATH_SIZE) return false;
    memcpy(path, joined, MM_PATH_SIZE);
    MM_slashPath(path);
    return readable(path);
}

// -def entries: name, an optional '=', then the macro's text. The first entry
// that does not begin with a name ends the list.
void applyDefinitions(mmctx *ctx)
{
    for (strEntry *e = MM_settings.defs.head; e; e = e->next) {
        const char *p = e->text;
        char name[kDefNameSize];
        if (MM_getIdent(name, sizeof name, &p) < 0) break;
        if (*p == '=') ++p;
        MMac_extDefine(ctx, name, p, MACRO_TEXT, nullptr);
    }
}

// "QORAL_start" stops the compile with a negative result; the message it
// stored with MM_setErrMsg, if any, says why. A script without the function
// has nothing to start.
int runStartFunction(mmctx *ctx)
{
    if (!ZYL_defines(kStartFunction)) return 0;
    ctx->errBuf[0] = '\0';
    ctx->errMsg = nullptr;
    if (ZYL_exec(kStartFunction, 1, ctx) >= 0) return 0;
    if (!ctx->errMsg || !ctx->errMsg[0]) MM_setErrMsg(ctx, "%s : %s() failed!", MM_settings.zylFile, kStartFunction);
    return -1;
}

// The words of a C text: names and numbers whole, every other character
// alone; blanks and comments only separate them. Empty past `limit` bytes.
std::vector<std::string> cWords(const char *path, size_t limit)
{
    std::vector<std::string> words;
    FILE *fp = fopen(path, "rb");
    if (!fp) return words;
    std::string text(limit + 1, '\0');
    text.resize(fread(text.data(), 1, text.size(), fp));
    fclose(fp);
    if (text.size() > limit) return words;
    auto isWordChar = [](char c) { return c == '_' || MM_isAsciiAlpha(c) || MM_isAsciiDigit(c); };
    for (size_t i = 0; i < text.size();) {
        if (MM_isBlank((unsigned char)text[i])) {
            ++i;
        } else if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
        } else if (text.compare(i, 2, "/*") == 0) {
            size_t end = text.find("*/", i + 2);
            i = end == std::string::npos ? std::string::npos : end + 2;
        } else if (isWordChar(text[i])) {
            size_t end = i;
            while (end < text.size() && isWordChar(text[end])) ++end;
            words.push_back(text.substr(i, end - i));
            i = end;
        } else {
            words.push_back(std::string(1, text[i++]));
        }
        if (i == std::string::npos) break;
    }
    return words;
}

// True for a start-up script whose whole text is a start function that
// returns 0, as installed with the program: it does nothing, so it is not
// compiled, which would take longer than compiling a small song.
bool doesNothing(const char *path)
{
    std::vector<std::string> words = cWords(path, 4096);
    std::vector<std::string> expected = {"int", kStartFunction, "(", "void", "*"};
    if (words.size() == expected.size() + 7 && MMcpp_isIdent(words[expected.size()].c_str()))
        expected.push_back(words[expected.size()]);  // the parameter's name
    for (const char *word : {")", "{", "return", "0", ";", "}"}) expected.push_back(word);
    return words == expected;
}

}  // namespace

int MM_findZylFile(char *path)
{
    std::string dir = path;
    if (tryDirectory(path, dir)) return 1;
    const char *env = getenv("PATH");
    if (!env) return 0;
    std::string search(env, strnlen(env, kSearchPathMax));
    // Elements are separated by ';' and, as usual on this system, by ':'. Only
    // absolute folders count: an empty or relative element would be the folder
    // of whatever song is being compiled, and a script there runs native code.
    size_t start = 0;
    while (start <= search.size()) {
        size_t end = search.find_first_of(";:", start);
        if (end == std::string::npos) end = search.size();
        std::string element = search.substr(start, end - start);
        if (!element.empty() && MM_isSeparator(element[0]) && tryDirectory(path, element)) return 1;
        start = end + 1;
    }
    return 0;
}

int MM_startup()
{
    mmctx *ctx = &MM_ctx;
    // The names come first: the message files are checked against them.
    if (MM_defaultExt(ctx->sourceName, ctx->sourceName, ".mml") < 0) {
        MM_setErrMsg(ctx, "%s : Source file name too long (at most %d bytes)!", ctx->sourceName, MM_PATH_SIZE - 1);
        return -1;
    }
    if (MM_outputName(ctx) < 0) return -1;
    if (MM_settings.zylDir[0] == '\0') snprintf(MM_settings.zylDir, sizeof MM_settings.zylDir, "%s", MM_settings.progDir);
    char path[MM_PATH_SIZE];
    snprintf(path, sizeof path, "%s", MM_settings.zylDir);
    bool found = MM_findZylFile(path);
    if (openMessageFile(ctx, &ctx->errFile, ctx->errPath, "Error", found ? path : nullptr) < 0 ||
        openMessageFile(ctx, &ctx->msgFile, ctx->msgPath, "Message", found ? path : nullptr) < 0)
        return -1;
    if (ZYL_init(MM_settings.codeSize, MM_settings.heapSize) != 0) return -1;
    MM_registerOffered();
    if (!found) {
        MM_setErrMsg(ctx, MM_text(MSG_ZYL_NOT_FOUND), MM_settings.zylFile);
        return -1;
    }
    if (!doesNothing(path) && ZYL_load(path) != 0) {
        ctx->errMsg = ZYL_getErrMsg();
        return -1;
    }
    MM_srand(0);
    MM_contextDefaults(ctx);
    MM_notePathRead(ctx, path);
    if (MMac_init(ctx) < 0) return -1;
    applyDefinitions(ctx);
    if (MMtrk_int(ctx) < 0) return -1;
    MMpat_clear(ctx);
    if (runStartFunction(ctx) < 0) return -1;
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_SOURCE_FILENAME), ctx->sourceName);
    return MMcpp_open(ctx, ctx->sourceName) < 0 ? -1 : 0;
}
