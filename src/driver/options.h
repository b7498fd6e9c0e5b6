// The command line: options, source and output names.
#pragma once
#include "store/context.h"

// 0 when the compile may start; -1 after the usage text or a parameter error
// was printed.
int MM_parseArgs(int argc, char **argv);
void MM_usage();

// Fills ctx->outputName for the MIDI writer: without an output name, the
// source name (with its default extension) less its extension; in every case
// ".mid" is added when the name has no extension.
void MM_outputName(mmctx *ctx);
