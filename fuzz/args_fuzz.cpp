// libFuzzer target for the command line: the input, split at NUL bytes, is the
// argument words; after a successful parse the source and output names are
// derived as the start-up derives them. No name may be cut: it fits its field
// whole, or the parse or the derivation fails.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target args_fuzz
//   build-fuzz/args_fuzz -max_len=2048 CORPUS_DIR
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/unit/fixture.h"
#include "base/paths.h"
#include "driver/options.h"
#include "output/smf_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = freopen("/dev/null", "w", stdout) != nullptr;
    if (!ready) return 0;
    mmctx *ctx = &MM_ctx;
    std::vector<std::string> words = {"qoral"};
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (data[i]) {
            word += (char)data[i];
            continue;
        }
        words.push_back(word);
        word.clear();
    }
    words.push_back(word);
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    MM_resetSettings();
    ctx->sourceName[0] = ctx->outputName[0] = '\0';
    if (MM_parseArgs((int)words.size(), argv.data()) != 0) return 0;
    // A file name taken is taken whole.
    bool sourceSeen = false;
    for (size_t i = 1; i < words.size() && !sourceSeen; ++i)
        if (words[i] == ctx->sourceName) sourceSeen = true;
    if (!sourceSeen) __builtin_trap();
    if (MM_defaultExt(ctx->sourceName, ctx->sourceName, ".mml") < 0) __builtin_trap();
    std::string source = ctx->sourceName;
    bool given = ctx->outputName[0] != '\0';
    if (MM_outputName(ctx) < 0) {
        if (ctx->outputName[0]) __builtin_trap();   // a failed name is never left cut
        return 0;
    }
    size_t length = strlen(ctx->outputName);
    if (length >= MM_PATH_SIZE || length == 0) __builtin_trap();
    if (!given && ctx->outputName[0] != source[0] && source[0] != '.') __builtin_trap();
    return 0;
}
