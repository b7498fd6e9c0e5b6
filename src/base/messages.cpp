#include "base/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

// The fallback "Unknown error!" exists in English only, like every text
// written as a literal rather than taken from the message table.

namespace {

mmctx *gLastCtx = nullptr;
size_t gProgressLength = 0;
char gFormatBuf[4096];

// Colour numbers 0..7 (bit 0 blue, bit 1 red, bit 2 green) as ANSI foreground codes.
constexpr int kForeground[8] = {30, 34, 31, 35, 32, 36, 33, 37};

int debugColour(int cls)
{
    switch (cls) {
    case 10: return 4;
    case 11: return 6;
    case 12: return 5;
    case 13: return 7;
    default: return 7;
    }
}

bool isOwnFile(FILE *fp) { return fp && fp != stdout && fp != stderr; }

void toFile(FILE *fp, const char *text)
{
    if (!isOwnFile(fp)) return;
    fputs(text, fp);
    fputc('\n', fp);
}

void toConsole(mmctx *ctx, const char *text)
{
    if (!ctx->lineClean) fputc('\n', stdout);
    fputs(text, stdout);
    fputc('\n', stdout);
    gProgressLength = 0;
    ctx->lineClean = 1;
}

void progress(mmctx *ctx, const char *text)
{
    // The console shares one line between progress and messages: flush what
    // stdout holds so the two streams interleave as the user expects.
    fflush(stdout);
    size_t length = strlen(text);
    fputc('\r', stderr);
    fputs(text, stderr);
    if (gProgressLength > length) {
        for (size_t i = length; i < gProgressLength; ++i) fputc(' ', stderr);
        fputc('\r', stderr);
    }
    gProgressLength = length;
    ctx->lineClean = 0;
}

void debug(mmctx *ctx, int cls, const char *text)
{
    if (!ctx->debugMsg) return;
    if (!ctx->lineClean) fputc('\n', stdout);
    fflush(stdout);
    fprintf(stderr, "\033[%dm\033[%dm", kForeground[debugColour(cls)], 40);
    fputs(text, stdout);
    fputs("\033[0m", stdout);
    fputc('\n', stdout);
    gProgressLength = 0;
    ctx->lineClean = 1;
}

}  // namespace

void MM_msgReset()
{
    gLastCtx = nullptr;
    gProgressLength = 0;
}

void MM_msg(mmctx *ctx, int cls, const char *text)
{
    if (!ctx) ctx = gLastCtx ? gLastCtx : &MM_ctx;
    gLastCtx = ctx;
    if (cls >= 0 && cls <= 6) {
        toFile(ctx->msgFile, text);
        if (cls == 0 || ctx->console) toConsole(ctx, text);
    } else if (cls == MSGC_PROGRESS) {
        progress(ctx, text);
    } else if (cls == MSGC_ERROR) {
        toFile(ctx->errFile, text);
        toConsole(ctx, text);
    } else if (cls >= 9 && cls <= 13) {
        debug(ctx, cls, text);
    }
}

void MM_msgf(mmctx *ctx, int cls, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(gFormatBuf, sizeof gFormatBuf, format, args);
    va_end(args);
    MM_msg(ctx, cls, gFormatBuf);
}

extern "C" int MM_setErrMsg(mmctx *ctx, const char *format, ...)
{
    if (!ctx) ctx = &MM_ctx;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(ctx->errBuf, sizeof ctx->errBuf, format, args);
    va_end(args);
    ctx->errMsg = ctx->errBuf;
    return n;
}

int MM_setErr(mmctx *ctx, const char *text)
{
    ctx->errMsg = text;
    return -1;
}

void MM_printError()
{
    mmctx *ctx = &MM_ctx;
    const char *message = ctx->errMsg ? ctx->errMsg : "Unknown error!";
    if (ctx->fileDepth >= 1 && ctx->fileDepth <= MM_MAX_SOURCES) {
        const SourceFile &file = ctx->fileStack[ctx->fileDepth - 1];
        MM_msgf(ctx, MSGC_ERROR, "%s (%d) : %s", file.name, file.line, message);
    } else {
        MM_msgf(ctx, MSGC_ERROR, "%s", message);
    }
    if (ctx->errPoint) MM_msgf(ctx, MSGC_ERROR, MM_text(MSG_ERROR_POINT), ctx->errPoint);
}

void MM_errorReport()
{
    MM_printError();
    MM_abort(1);
}

void MM_abort(int status)
{
    throw MMabort{status};
}

char *MM_sizeStr(int32_t bytes, char *buf)
{
    if (bytes == 0)
        strcpy(buf, "0");
    else if (bytes < 1024)
        sprintf(buf, "%d", bytes);
    else if (bytes < 1048576)
        sprintf(buf, "%.1fK", bytes / 1024.0);
    else
        sprintf(buf, "%.1fM", bytes / 1048576.0);
    return buf;
}

const char *MM_timeStr()
{
    static char buf[64];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    snprintf(buf, sizeof buf, "%4d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
             local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}
