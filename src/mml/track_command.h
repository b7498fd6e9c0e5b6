// Track commands: `@NAME(arguments)` inside an MML line writes one event
// directly, sets state of the part's track (delay, filters, assignment
// tables, optimiser flags) or calls a script function.
#pragma once
#include "base/context.h"

struct mmpart;
struct mmtrk;

// Every command handler takes the split argument list; 0, or -1 with a
// pending message (or none, for the failures that carry no text).
using MMtcmdHandler = int (*)(mmctx *ctx, mmpart *part, int argc, char **argv);

// `@`: the cursor is on the `@`; on return it stands behind the argument
// list (or at the end of the line when the list is not closed).
int MMmml_trackCommand(mmctx *ctx, mmpart *part, const char **cursor);

// `@END` asks for the track's parts and tables to be released; the line that
// holds it still plays on its part, so the release waits for the line's end.
void MMtcmd_endLine(mmctx *ctx, mmtrk *track);

// Number arguments read as decimal integers: leading blanks, a sign, digits;
// text that is no number reads as 0, a number past 32 bits as its limit.
int32_t MMtcmd_int(const char *text);
