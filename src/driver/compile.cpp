#include "driver/compile.h"

#include <ctime>
#include <new>

#include "base/messages.h"
#include "base/stop_signals.h"
#include "base/parse.h"
#include "decl/control.h"
#include "driver/finish.h"
#include "driver/options.h"
#include "driver/startup.h"
#include "mml/mml_line.h"
#include "output/dump.h"
#include "source/reader.h"
#include "store/track.h"

namespace {

bool isBlankLine(const char *line)
{
    while (MM_isBlank((unsigned char)*line)) ++line;
    return *line == '\0';
}

// Routes one expanded line; a non-zero result is a failure with a pending message.
int dispatchLine(mmctx *ctx, const char *line)
{
    if (line[0] == '/') {
        MM_msg(ctx, MSGC_REMARK, line);
        return 0;
    }
    if (line[0] == '.') return MMctl_line(ctx, line);
    return MMmml_line(ctx, line);
}

void printTiming(mmctx *ctx, time_t start)
{
    long seconds = (long)difftime(time(nullptr), start);
    char text[128];
    if (seconds > 60)
        snprintf(text, sizeof text, MM_text(MSG_TIME_LONG), seconds, seconds / 60, seconds % 60);
    else
        snprintf(text, sizeof text, MM_text(MSG_TIME_SHORT), seconds);
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_COMPILE_END), MM_timeStr());
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_COMPILE_TIME), text);
}

// Storage ran out where no result could carry the failure: reported like
// every other "Out of memory!", at the line being compiled.
void reportOutOfMemory()
{
    mmctx *ctx = &MM_ctx;
    ctx->errMsg = MM_text(MSG_OUT_OF_MEMORY);
    ctx->errPoint = nullptr;
    MM_printError();
}

}  // namespace

int MM_run(int argc, char **argv)
{
    // A fatal error anywhere below throws MMabort with the exit status; the
    // files are closed and everything released here, whatever the outcome.
    int status = 0;
    MM_trapStopSignals();
    try {
        // Without any argument there is nothing to compile: say how to call.
        if (argc <= 1) {
            MM_usage();
            return 1;
        }
        if (int parsed = MM_parseArgs(argc, argv); parsed != 0) return parsed < 0 ? 1 : 0;
        status = MM_compile() == -1 ? 1 : 0;
    } catch (const MMabort &stop) {
        status = stop.status;
    } catch (const std::bad_alloc &) {
        reportOutOfMemory();
        status = 1;
    }
    if (MM_closeFiles() < 0) status = 1;
    MM_releaseAll();
    return status;
}

int MM_compile()
{
    mmctx *ctx = &MM_ctx;
    // The banner is followed by an empty line.
    MM_msgf(ctx, MSGC_PLAIN, "%s\n", MM_BANNER);
    MM_msgf(ctx, MSGC_SIZE, "mmtrk  work size  %8u", (unsigned)MM_TRACK_WORK);
    MM_msgf(ctx, MSGC_SIZE, "mmpart work size  %8u", (unsigned)MM_PART_WORK);
    if (MM_startup() < 0) {
        if (ctx->errMsg && ctx->errMsg[0]) MM_msg(ctx, MSGC_ERROR, ctx->errMsg);
        return -1;
    }
    time_t start = time(nullptr);
    MM_msgf(ctx, MSGC_PLAIN, MM_text(MSG_COMPILE_START), MM_timeStr());
    MM_msg(ctx, MSGC_PLAIN, "");
    while (!ctx->ended) {
        ctx->errPoint = nullptr;
        ctx->errMsg = nullptr;
        char *line = MMcpp_getLine(ctx);
        if (!line) {
            if (ctx->errMsg) MM_errorReport();
            break;
        }
        // A line of blanks (trailing spaces, a lone tab) is as empty as an empty one.
        if (isBlankLine(line)) continue;
        if (dispatchLine(ctx, line) != 0) MM_errorReport();
    }
    // `.end` or the end of the source: an error here is reported at the line
    // that ended the song.
    if (MM_end(ctx) != 0) MM_errorReport();
    MM_msg(ctx, MSGC_PLAIN, "");
    printTiming(ctx, start);
    if (ctx->dumpMsg) MM_dumpListing(ctx);
    return 0;
}
