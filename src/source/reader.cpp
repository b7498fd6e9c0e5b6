#include "source/reader.h"

#include <cstring>
#include <string>

#include "base/files_read.h"
#include "base/messages.h"
#include "base/paths.h"
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

// True when the physical line [begin, end) ends in a backslash that is not
// the trail byte of a double-byte character.
bool continues(const char *begin, const char *end)
{
    if (end == begin || end[-1] != '\\') return false;
    const char *last = nullptr;
    for (const char *p = begin; p < end; p += MMcpp_charLen(p, end)) last = p;
    return last && last + 1 == end && *last == '\\';
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
        if (!file.fp || !fgets(raw + start, (int)(MM_LINE_SIZE - start), file.fp)) {
            // A line still waiting for its continuation is dropped.
            if (closeCurrent(ctx)) return nullptr;
            start = 0;
            continue;
        }
        // Editors may open a UTF-8 file with a byte-order mark; it is no text.
        // A file's first line always starts the buffer (start is 0).
        constexpr size_t kMarkLength = sizeof kByteOrderMark - 1;
        if (++file.line == 1 && strncmp(raw, kByteOrderMark, kMarkLength) == 0)
            memmove(raw, raw + kMarkLength, strlen(raw + kMarkLength) + 1);
        size_t length = start + strlen(raw + start);
        while (length > start && (raw[length - 1] == '\r' || raw[length - 1] == '\n')) raw[--length] = '\0';
        if (ctx->scnMsg) MM_msgf(ctx, MSGC_SOURCE, "%5d:%s", file.line, raw);
        // A full buffer cannot take a continuation: the line ends there.
        if (continues(raw + start, raw + length) && length + 1 < (size_t)MM_LINE_SIZE) {
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
