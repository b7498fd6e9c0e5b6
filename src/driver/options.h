// The command line: options, source and output names, and the program-wide
// settings it fills; everything else lives in the compiler context. The
// message language is kept by the message table (MM_setLanguage).
#pragma once
#include <cstdint>
#include "base/context.h"
#include "driver/str_list.h"

constexpr uint32_t MM_DEFAULT_CODE_SIZE = 131072;
constexpr uint32_t MM_DEFAULT_HEAP_SIZE = 65536;

// The program's name and version: the banner of every compile and --version.
constexpr const char *MM_BANNER = "Sorvane Compiler ver.3.02a edition #01";

struct mmsettings {
    int argc;
    char **argv;
    uint32_t codeSize;
    uint32_t heapSize;
    char zylDir[MM_DIR_SIZE];
    char zylFile[MM_DIR_SIZE];
    char progDir[MM_DIR_SIZE];
    strList defs;              // -def entries, applied at start-up
};

extern mmsettings MM_settings;

// Back to the settings of a fresh process (the definitions list freed).
void MM_resetSettings();

// 0 when the compile may start; -1 after the usage text or a parameter error
// was printed; 1 after --help, -h or --version, which end the run successfully.
int MM_parseArgs(int argc, char **argv);
void MM_usage();
void MM_version();
