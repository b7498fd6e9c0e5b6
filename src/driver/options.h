// The command line: options, source and output names.
#pragma once

int MM_parseArgs(int argc, char **argv);
void MM_usage();

struct mmctx;
// Fills ctx->outputName: the given output name, else the source name without
// its extension, then ".mid" when the last component has no extension.
void MM_outputName(mmctx *ctx);
