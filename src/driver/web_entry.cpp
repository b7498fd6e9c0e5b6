// The browser's entry point, in place of main. The page keeps the song's folder
// as the current folder of the virtual file system, with the files the song
// includes or imports already in it, and hands over the song's text. What it
// reads back is what a command-line run leaves: NAME.mid and the piano roll
// NAME.svg beside the song, the report on standard output and the diagnostics
// (FILE:LINE:COLUMN) on standard error. The page runs each compile in a fresh
// instance of the module, so every program-wide record starts zero-filled as
// in a new process.
#include <emscripten/emscripten.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/paths.h"
#include "driver/compile.h"
#include "driver/options.h"

namespace {

bool writeSong(const char *path, const char *text)
{
    FILE *fp = fopen(path, "wb");
    if (!fp) return false;
    size_t length = strlen(text);
    bool written = fwrite(text, 1, length, fp) == length;
    return fclose(fp) == 0 && written;
}

}  // namespace

// The exit status of the run: 0 after a complete compile, 1 after any error.
extern "C" EMSCRIPTEN_KEEPALIVE int qoral_compile(const char *song, const char *text, int dump)
{
    // This C library starts with a file-creation mask that denies everything;
    // a new process gets the usual one, so what the run writes can be read back.
    umask(022);
    // Without a text the caller has put the song's file in place itself, so
    // that every byte reaches the compiler, a NUL byte included.
    if (text && !writeSong(song, text)) {
        fprintf(stderr, "%s : File open error!\n", song);
        return 1;
    }
    char base[MM_PATH_SIZE];
    MM_pathStripExt(base, song);
    std::string roll = std::string(base) + ".svg";
    auto word = [](const char *literal) { return const_cast<char *>(literal); };
    std::vector<char *> argv = {word("qoral"), word("-diag"), word("gnu"), word("-roll"), roll.data()};
    if (dump) argv.push_back(word("-dumpMsg"));
    argv.push_back(word(song));
    int argc = (int)argv.size();
    argv.push_back(nullptr);
    MM_settings.argc = argc;
    MM_settings.argv = argv.data();
    // The start-up script is packed into the module's own folder.
    snprintf(MM_settings.progDir, sizeof MM_settings.progDir, "/qoral");
    return MM_run(argc, argv.data());
}
