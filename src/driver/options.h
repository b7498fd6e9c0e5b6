// The command line: options, source and output names.
#pragma once
#include "base/context.h"

// 0 when the compile may start; -1 after the usage text or a parameter error
// was printed.
int MM_parseArgs(int argc, char **argv);
void MM_usage();
