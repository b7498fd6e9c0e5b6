#include "source/reader.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "base/files_read.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text_encoding.h"
#include "source/directive.h"
#include "source/expand.h"
#include "source/macro_table.h"
#include "source/text_scan.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// The main source's base name, cut to 8.3 and without extension, defined as
// the empty macro _name. A name that is no identifier simply defines nothing.
void defineBaseName(mmctx *ctx, const char *path)
{
    char shortName[MM_PATH_SIZE];
    if (MM_shortName(shortName, path) < 0) return;
    char macro[MM_PATH_SIZE + 1] = "_";
    MM_pathStripExt(macro + 1, shortName);
    MMac_define(ctx, macro, "", 0);
}

// A physical line holds at most this many bytes, its line feed and trailing
// carriage returns not counted; a logical line, its continuations joined,
// no more either.
constexpr size_t kMaxLineBytes = MM_LINE_SIZE - 1;

// What reading a physical line found besides its bytes.
struct PhysicalLine {
    size_t length = 0;     // bytes stored, carriage returns included, the line feed not
    bool nulByte = false;  // the line holds a NUL byte
    bool tooLong = false;  // the line goes on past the room it was given
};

// True when [p, end) is well-formed UTF-8. ASCII, by far the most text, is
// passed over a word at a time.
bool isUtf8(const unsigned char *p, const unsigned char *end)
{
    while (p < end) {
        if (end - p >= 8) {
            uint64_t word;
            memcpy(&word, p, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                p += 8;
                continue;
            }
        }
        if (*p < 0x80) {
            ++p;
            continue;
        }
        unsigned char low, high;
        int length = MM_utf8SequenceLength(*p, &low, &high);
        if (length == 0 || end - p < length || p[1] < low || p[1] > high) return false;
        for (int i = 2; i < length; ++i)
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        p += length;
    }
    return true;
}

// True when the Shift-JIS line [begin, end), which ends in a backslash, ends
// in one that is no trail byte.
bool endsInSjisBackslash(const char *begin, const char *end)
{
    const char *last = begin;
    for (const char *p = begin; p < end; p += MM_charBytes(p, end, false)) last = p;
    return last + 1 == end;
}

// Reads one physical line into out[0 .. room-1] (room is at least 1): its
// bytes up to the line feed, which is consumed but not stored. `consumed`
// counts the file's bytes read so far; it tells a NUL byte on a last line
// without line feed. False at the end of the file.
bool readPhysical(FILE *fp, char *out, size_t room, long &consumed, PhysicalLine &line)
{
    if (room > 1 && !fgets(out, (int)room, fp)) return false;
    if (room == 1) out[0] = '\0';
    size_t n = strlen(out);
    line.length = n;
    if (n > 0 && out[n - 1] == '\n') {
        // The usual line: fgets stopped at its line feed, so no NUL came before it.
        out[--line.length] = '\0';
        consumed += (long)n;
        return true;
    }
    if (n + 1 >= room) {
        // The room is full: the line ends here only when nothing but carriage returns follows.
        int c = getc(fp);
        size_t returns = 0;
        for (; c == '\r'; c = getc(fp)) ++returns;
        if (c == EOF && n == 0 && returns == 0) return false;
        line.tooLong = c != '\n' && c != EOF;
        consumed += (long)(n + returns + 1);
        return true;
    }
    // fgets stopped before the room's end without a line feed: at the end of
    // the file, or at a line feed behind a NUL byte that cut the string short.
    long position = feof(fp) ? ftell(fp) : -1;
    line.nulByte = !feof(fp) || (position >= 0 && position != consumed + (long)n);
    consumed += (long)n;
    return true;
}

// Closes the current file at its end. Returns true when it was the main source.
bool closeCurrent(mmctx *ctx)
{
    SourceFile &file = ctx->fileStack[ctx->fileDepth - 1];
    if (file.fp) fclose(file.fp);
    file.fp = nullptr;
    // Reported while the file is still current, so the report names it.
    if (file.ifCount > 0) {
        MM_setErr(ctx, MM_text(MSG_EOF_IN_IF));
        MM_errorReport();
    }
    return --ctx->fileDepth == 0;
}

}  // namespace

int MMcpp_open(mmctx *ctx, const char *name)
{
    MMcpp_closeAll(ctx);
    defineBaseName(ctx, name);
    return MMcpp_push(ctx, name);
}

int MMcpp_push(mmctx *ctx, const char *name)
{
    if (ctx->fileDepth >= MM_MAX_SOURCES) return MM_setErr(ctx, MM_text(MSG_TOO_MANY_FILES));
    SourceFile &file = ctx->fileStack[ctx->fileDepth++];
    file.line = 0;
    file.ifCount = 0;
    file.ifLevel = 0;
    memset(file.ifState, 0, sizeof file.ifState);
    file.encoding = ctx->sourceEncoding == MM_ENC_SJIS ? MM_ENC_SJIS : MM_ENC_UTF8;
    file.encodingFound = ctx->sourceEncoding != MM_ENC_AUTO;
    file.consumed = 0;
    snprintf(file.name, sizeof file.name, "%s", name);
    file.fp = MM_fopen(ctx, name, "rb");
    if (!file.fp) {
        // The report then names the including file and its #include line.
        --ctx->fileDepth;
        MM_setErrMsg(ctx, "%s : %s", name, MM_text(MSG_FILE_OPEN));
        return -1;
    }
    return 0;
}

char *MMcpp_getLine(mmctx *ctx)
{
    char *raw = ctx->rawLine;
    size_t start = 0;  // where the next physical line goes: 0, or behind a continuing backslash
    for (;;) {
        if (ctx->fileDepth < 1 || ctx->fileDepth > MM_MAX_SOURCES) {
            MM_setErr(ctx, "CPP input errror!!");
            MM_errorReport();
        }
        SourceFile &file = ctx->fileStack[ctx->fileDepth - 1];
        PhysicalLine physical;
        if (!file.fp || !readPhysical(file.fp, raw + start, MM_LINE_SIZE - start, file.consumed, physical)) {
            // A line still waiting for its continuation is dropped.
            if (closeCurrent(ctx)) return nullptr;
            start = 0;
            continue;
        }
        ++file.line;
        if (physical.nulByte) {
            MM_setErr(ctx, "NUL byte in the source! (no text file holds one)");
            return nullptr;
        }
        if (physical.tooLong) {
            MM_setErrMsg(ctx, "Too long line! (more than %zu bytes)", kMaxLineBytes);
            return nullptr;
        }
        // Editors may open a UTF-8 file with a byte-order mark; it is no text,
        // and it settles the file's encoding. A file's first line always starts
        // the buffer (start is 0).
        constexpr size_t kMarkLength = sizeof kByteOrderMark - 1;
        if (file.line == 1 && strncmp(raw, kByteOrderMark, kMarkLength) == 0) {
            memmove(raw, raw + kMarkLength, physical.length - kMarkLength + 1);
            physical.length -= kMarkLength;
            file.encodingFound = 1;
        }
        // A file is read as UTF-8 until a line shows that it is not.
        char *begin = raw + start;
        if (!file.encodingFound &&
            !isUtf8(reinterpret_cast<unsigned char *>(begin), reinterpret_cast<unsigned char *>(begin + physical.length))) {
            file.encoding = MM_ENC_SJIS;
            file.encodingFound = 1;
        }
        ctx->lineUtf8 = file.encoding == MM_ENC_UTF8;
        size_t length = start + physical.length;
        while (length > start && raw[length - 1] == '\r') raw[--length] = '\0';
        if (ctx->scnMsg) MM_msgf(ctx, MSGC_SOURCE, "%5d:%s", file.line, raw);
        bool continues = length > start && raw[length - 1] == '\\' &&
                         (ctx->lineUtf8 || endsInSjisBackslash(begin, raw + length));
        if (continues) {
            start = length;
            continue;
        }
        start = 0;
        if (raw[0] == '#') {
            // Also in inactive regions, so that conditionals keep their nesting.
            if (MMcpp_directive(ctx, raw) < 0) return nullptr;
            continue;
        }
        if (!MMcpp_isActive(file)) continue;
        if (raw[0] == '/') {
            if (ctx->remarkMsg) MM_msgf(ctx, MSGC_REMARK, "%5d:%s", file.line, raw);
            continue;
        }
        ctx->macroNest = 0;
        if (MMcpp_expand(ctx, MM_LINE_SIZE, ctx->lineBuf, raw, -1, nullptr) < 0) return nullptr;
        if (ctx->mppMsg) MM_msgf(ctx, MSGC_PREPROC, "%5d:%s", file.line, ctx->lineBuf);
        return ctx->lineBuf;
    }
}

void MMcpp_closeAll(mmctx *ctx)
{
    for (SourceFile &file : ctx->fileStack) {
        if (file.fp) fclose(file.fp);
        file.fp = nullptr;
        file.ifCount = 0;
    }
    ctx->fileDepth = 0;
}

extern "C" FILE *MM_fopen(mmctx *ctx, const char *name, const char *mode)
{
    if (!name || !mode) return nullptr;
    if (!ctx) ctx = &MM_ctx;
    FILE *fp = MM_openPath(name, mode);
    if (!fp) {
        char dir[MM_DIR_SIZE + 8];
        MM_pathDir(dir, ctx->fileStack[0].name);
        std::string path = dir;
        if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
        path += name;
        fp = MM_openPath(path.c_str(), mode);
    }
    // What the song reads, the output must never overwrite.
    if (fp && strchr(mode, 'r')) MM_noteRead(ctx, fp, name);
    return fp;
}
