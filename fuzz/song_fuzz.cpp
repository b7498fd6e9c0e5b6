// libFuzzer target for a whole run, as the browser's entry point makes one:
// every input is a song file compiled by MM_run with the piano roll and the
// dump listing, from a fresh process state each time, through to the MIDI file.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target song_fuzz
//   build-fuzz/song_fuzz -dict=fuzz/mml_line.dict -max_len=2048 -close_fd_mask=3 CORPUS_DIR examples
// (-close_fd_mask=3 silences the runs' reports and diagnostics, not libFuzzer's.)
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "base/context.h"
#include "base/messages.h"
#include "driver/compile.h"
#include "driver/finish.h"
#include "driver/options.h"

namespace {

std::string folder;

// A scratch folder holding the start-up script; the run's own files go there.
bool prepare()
{
    char name[] = "/tmp/qoral_song_fuzz_XXXXXX";
    if (!mkdtemp(name)) return false;
    folder = name;
    FILE *script = fopen((folder + "/qoral.zyl").c_str(), "w");
    if (!script) return false;
    fputs("int QORAL_start(void *ctx) { return 0; }\n", script);
    return fclose(script) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = prepare();
    if (!ready) abort();
    std::string song = folder + "/song.mml";
    FILE *fp = fopen(song.c_str(), "wb");
    if (!fp) abort();
    fwrite(data, 1, size, fp);
    fclose(fp);

    MM_closeFiles();
    MM_releaseAll();
    memset((void *)&MM_ctx, 0, sizeof MM_ctx);
    MM_msgReset();
    MM_resetSettings();
    std::string roll = folder + "/song.svg";
    const char *argv[] = {"qoral", "-diag", "gnu", "-roll", roll.c_str(), "-dumpMsg", "-zylPath", folder.c_str(),
                          song.c_str(), nullptr};
    MM_run(9, const_cast<char **>(argv));
    unlink((folder + "/song.mid").c_str());
    unlink(roll.c_str());
    return 0;
}
