#include "base/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <unistd.h>

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

// Progress lines held back while a batch is open (see MM_progressBatch).
std::string gProgressHeld;
bool gProgressHolding = false;
constexpr size_t kProgressHeldMax = 64 * 1024;

// Writes what the batch holds; anything else written to the console must
// come after it.
void releaseProgress()
{
    if (gProgressHeld.empty()) return;
    fwrite(gProgressHeld.data(), 1, gProgressHeld.size(), stderr);
    gProgressHeld.clear();
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
    releaseProgress();
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
    // Standard error is unbuffered: the line and the blanks that wipe the
    // rest of a longer one go out in one write, or into the batch.
    std::string line;
    std::string &out = gProgressHolding ? gProgressHeld : line;
    out.push_back('\r');
    out.append(text, length);
    if (gProgressLength > length) {
        out.append(gProgressLength - length, ' ');
        out.push_back('\r');
    }
    if (!gProgressHolding) fwrite(line.data(), 1, line.size(), stderr);
    else if (gProgressHeld.size() >= kProgressHeldMax) releaseProgress();
    gProgressLength = length;
    ctx->lineClean = 0;
}

// The colour is set on standard error and reset on standard output, so both
// must be the terminal: escapes in a file or a pipe are noise, and a colour
// set on a terminal that never sees the reset would stay.
bool coloursShown() { return isatty(fileno(stdout)) && isatty(fileno(stderr)); }

void debug(mmctx *ctx, int cls, const char *text)
{
    if (!ctx->debugMsg) return;
    releaseProgress();
    if (!ctx->lineClean) fputc('\n', stdout);
    fflush(stdout);
    bool coloured = coloursShown();
    if (coloured) fprintf(stderr, "\033[%dm\033[%dm", kForeground[debugColour(cls)], 40);
    fputs(text, stdout);
    if (coloured) fputs("\033[0m", stdout);
    fputc('\n', stdout);
    gProgressLength = 0;
    ctx->lineClean = 1;
}

// Diagnostics for editors and warnings share standard error with the progress
// line; the progress line is wiped first so that they start a clean line.
// The console flags stay as they are: what standard output shows is unchanged.
void clearProgress()
{
    releaseProgress();
    fflush(stdout);
    if (gProgressLength == 0) return;
    fputc('\r', stderr);
    for (size_t i = 0; i < gProgressLength; ++i) fputc(' ', stderr);
    fputc('\r', stderr);
    gProgressLength = 0;
}

// The line buffer (expanded or raw) that holds `point`, or null.
const char *lineHolding(const mmctx *ctx, const char *point)
{
    if (!point) return nullptr;
    std::less_equal<const char *> notAfter;
    for (const char *line : {ctx->lineBuf, ctx->rawLine}) {
        const char *end = line + strnlen(line, MM_LINE_SIZE - 1);
        if (notAfter(line, point) && notAfter(point, end)) return line;
    }
    return nullptr;
}

const SourceFile *currentFile(const mmctx *ctx)
{
    if (ctx->fileDepth < 1 || ctx->fileDepth > MM_MAX_SOURCES) return nullptr;
    return &ctx->fileStack[ctx->fileDepth - 1];
}

// "FILE:LINE:COLUMN: KIND: MESSAGE", then the line and a caret under `point`
// when the point lies in the current line. Without a current file the song's
// name stands alone; without a point the column is 1.
std::string gnuDiagnostic(const mmctx *ctx, const SourceFile *file, const char *kind, const char *message,
                          const char *point)
{
    const char *line = file ? lineHolding(ctx, point) : nullptr;
    std::string text;
    char head[MM_DIR_SIZE + 64];
    if (file) {
        int column = line ? (int)(point - line) + 1 : 1;
        snprintf(head, sizeof head, "%s:%d:%d: ", file->name, file->line, column);
    } else if (ctx->sourceName[0]) {
        snprintf(head, sizeof head, "%s: ", ctx->sourceName);
    } else {
        head[0] = '\0';
    }
    text.append(head).append(kind).append(": ").append(message).append("\n");
    if (!line) return text;
    const char *end = line;
    while (*end && *end != '\n' && *end != '\r') ++end;
    text.append(line, end).append("\n");
    // Tabs are kept so the caret stands under the point whatever the tab width.
    for (const char *p = line; p < point; ++p) text.push_back(*p == '\t' ? '\t' : ' ');
    text.append("^\n");
    return text;
}

void printWarning(mmctx *ctx, const SourceFile *file, const char *point, const char *format, va_list args)
{
    if (ctx->noWarn) return;
    char message[MM_ERRBUF_SIZE];
    vsnprintf(message, sizeof message, format, args);
    clearProgress();
    if (ctx->diagGnu)
        fputs(gnuDiagnostic(ctx, file, "warning", message, point).c_str(), stderr);
    else if (file)
        fprintf(stderr, "%s (%d) : warning: %s\n", file->name, file->line, message);
    else if (ctx->sourceName[0])
        fprintf(stderr, "%s : warning: %s\n", ctx->sourceName, message);
    else
        fprintf(stderr, "warning: %s\n", message);
}

}  // namespace

void MM_warn(mmctx *ctx, const char *point, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    printWarning(ctx, currentFile(ctx), point, format, args);
    va_end(args);
}

void MM_warnSong(mmctx *ctx, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    printWarning(ctx, nullptr, nullptr, format, args);
    va_end(args);
}

void MM_progressBatch(bool hold)
{
    gProgressHolding = hold;
    if (!hold) releaseProgress();
}

void MM_msgReset()
{
    gProgressHeld.clear();
    gProgressHolding = false;
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

namespace {

// True when the format uses only %d, %u and %s, with a '-' flag and a width,
// and %%: the conversions of the progress line and most messages.
bool isSimpleFormat(const char *format)
{
    for (const char *p = format; *p; ++p) {
        if (*p != '%') continue;
        if (*++p == '%') continue;
        if (*p == '-') ++p;
        if (*p == '0') return false;  // zero padding
        while (*p >= '0' && *p <= '9') ++p;
        if (*p != 'd' && *p != 'u' && *p != 's') return false;
    }
    return true;
}

// vsnprintf for a simple format (isSimpleFormat); the progress line is
// formatted once per measure, where the general printf costs more than the
// measure's own work.
void formatSimple(char *out, size_t size, const char *format, va_list args)
{
    char *o = out, *end = out + size - 1;
    auto put = [&](const char *text, size_t length, size_t width, bool left) {
        size_t pad = width > length ? width - length : 0;
        if (!left)
            for (; pad && o < end; --pad) *o++ = ' ';
        for (size_t i = 0; i < length && o < end; ++i) *o++ = text[i];
        if (left)
            for (; pad && o < end; --pad) *o++ = ' ';
    };
    for (const char *p = format; *p; ++p) {
        if (*p != '%') {
            if (o < end) *o++ = *p;
            continue;
        }
        if (*++p == '%') {
            if (o < end) *o++ = '%';
            continue;
        }
        bool left = *p == '-';
        if (left) ++p;
        size_t width = 0;
        while (*p >= '0' && *p <= '9') width = width * 10 + (size_t)(*p++ - '0');
        if (*p == 's') {
            const char *text = va_arg(args, const char *);
            if (!text) text = "(null)";
            put(text, strlen(text), width, left);
            continue;
        }
        int64_t value = *p == 'u' ? (int64_t)va_arg(args, unsigned) : (int64_t)va_arg(args, int);
        char digits[24];
        char *d = digits + sizeof digits;
        uint64_t magnitude = value < 0 ? (uint64_t)-value : (uint64_t)value;
        do *--d = (char)('0' + magnitude % 10); while (magnitude /= 10);
        if (value < 0) *--d = '-';
        put(d, (size_t)(digits + sizeof digits - d), width, left);
    }
    *o = '\0';
}

}  // namespace

void MM_msgf(mmctx *ctx, int cls, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    // Formats are texts of the program, so one seen last is the same text
    // when it comes again (a progress line for every measure).
    static const char *lastFormat = nullptr;
    static bool lastSimple = false;
    if (format != lastFormat) {
        lastFormat = format;
        lastSimple = isSimpleFormat(format);
    }
    if (lastSimple)
        formatSimple(gFormatBuf, sizeof gFormatBuf, format, args);
    else
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
    if (ctx->diagGnu) {
        clearProgress();
        std::string text = gnuDiagnostic(ctx, currentFile(ctx), "error", message, ctx->errPoint);
        fputs(text.c_str(), stderr);
        if (isOwnFile(ctx->errFile)) fputs(text.c_str(), ctx->errFile);
        return;
    }
    if (const SourceFile *file = currentFile(ctx)) {
        MM_msgf(ctx, MSGC_ERROR, "%s (%d) : %s", file->name, file->line, message);
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
    // The size changes seldom from one progress line to the next.
    static int32_t lastBytes = 0;
    static char last[32] = "0";
    if (bytes == lastBytes) return strcpy(buf, last);
    lastBytes = bytes;
    if (bytes == 0)
        strcpy(buf, "0");
    else if (bytes < 1024)
        sprintf(buf, "%d", bytes);
    else if (bytes < 1048576)
        sprintf(buf, "%.1fK", bytes / 1024.0);
    else
        sprintf(buf, "%.1fM", bytes / 1048576.0);
    strcpy(last, buf);
    return buf;
}

namespace {

const char *formatTime(const struct tm &when)
{
    static char buf[64];
    snprintf(buf, sizeof buf, "%4d/%02d/%02d %02d:%02d:%02d", when.tm_year + 1900, when.tm_mon + 1,
             when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec);
    return buf;
}

// SOURCE_DATE_EPOCH as decimal seconds since 1970 without sign or blanks, up
// to the last second of year 9999 (the time is written with four digits).
bool sourceDateEpoch(struct tm &when)
{
    const char *text = getenv("SOURCE_DATE_EPOCH");
    if (!text || !*text) return false;
    constexpr long long kLastSecond = 253402300799LL;  // 9999-12-31 23:59:59 UTC
    long long seconds = 0;
    for (const char *p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        seconds = seconds * 10 + (*p - '0');
        if (seconds > kLastSecond) return false;
    }
    time_t epoch = (time_t)seconds;
    return gmtime_r(&epoch, &when) != nullptr;
}

}  // namespace

const char *MM_timeStr()
{
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    return formatTime(local);
}

const char *MM_fileTimeStr()
{
    struct tm when;
    if (sourceDateEpoch(when)) return formatTime(when);
    return MM_timeStr();
}
