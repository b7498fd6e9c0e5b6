// The command line: options, source and output names.
#pragma once

int MM_parseArgs(int argc, char **argv);
void MM_usage();
