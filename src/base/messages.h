// The one message printer and the error path. Errors are never printed where
// they happen: the failing operation stores a pending message and returns -1;
// the driver reports it with MM_errorReport.
#pragma once
#include <cstdint>
#include "base/context.h"
#include "base/message_table.h"

enum msgClass : int {
    MSGC_PLAIN = 0,      // banner, timing, file names, work size
    MSGC_PREPROC = 1,    // preprocessed-line echo
    MSGC_REMARK = 3,     // remark and '/' lines
    MSGC_SOURCE = 4,     // source-line echo
    MSGC_DUMP = 6,       // dump listing
    MSGC_PROGRESS = 7,   // transient progress line on stderr
    MSGC_ERROR = 8,
    MSGC_INIT = 10,      // debug: initialisation traces
    MSGC_DEBUG11 = 11,
    MSGC_SIZE = 12,      // debug: record sizes
    MSGC_DEBUG13 = 13,
};

// Thrown by MM_abort and caught in main, which closes the files, releases
// what the run built and returns the status.
struct MMabort {
    int status;
};

void MM_msg(mmctx *ctx, int cls, const char *text);
void MM_msgf(mmctx *ctx, int cls, const char *format, ...) __attribute__((format(printf, 3, 4)));
extern "C" int MM_setErrMsg(mmctx *ctx, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Makes a fixed text (a table row or an English literal) the pending message.
int MM_setErr(mmctx *ctx, const char *text);
// Prints the pending message at the current file and line, then the error
// point when one is set.
void MM_printError();
// Under -diag gnu the report is "FILE:LINE:COLUMN: error: MESSAGE" on
// standard error, then the line with a caret under the error point.
// MM_printError, then MM_abort(1).
[[noreturn]] void MM_errorReport();
// Stops the run: throws MMabort; whoever catches it cleans up.
[[noreturn]] void MM_abort(int status);
// A warning on standard error, in the form of the error report, at the
// current file and line; `point` (may be null) is where in the current line
// the trouble lies. Warnings never stop the run; -noWarn silences them.
void MM_warn(mmctx *ctx, const char *point, const char *format, ...) __attribute__((format(printf, 3, 4)));
// A warning about the song as a whole: the main source's name, no line.
void MM_warnSong(mmctx *ctx, const char *format, ...) __attribute__((format(printf, 2, 3)));
char *MM_sizeStr(int32_t bytes, char *buf);
// The current local time as "yyyy/mm/dd hh:mm:ss", in a buffer that the
// next call of either function overwrites.
const char *MM_timeStr();
// The time written into output files: SOURCE_DATE_EPOCH, in UTC, when the
// variable holds a well-formed value, so that a song compiles to the same
// bytes every time; otherwise the current local time.
const char *MM_fileTimeStr();

// While `hold` is set, progress lines are kept and then written at once when
// it is cleared (or before anything else reaches the console): the bytes on
// standard error are the same, in one write instead of one per line.
void MM_progressBatch(bool hold);
// Resets the printer's program-wide state (last context, progress length).
void MM_msgReset();
