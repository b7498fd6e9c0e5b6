// libFuzzer target for MML lines: every input is a few lines played into the
// parts of two declared tracks on a fresh compile context, up to the first
// failing line, as the compile driver would.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target mml_line_fuzz
//   build-fuzz/mml_line_fuzz -dict=fuzz/mml_line.dict -max_len=512 CORPUS_DIR
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "mml/mml_line.h"
#include "mml/random.h"
#include "store/track.h"

namespace {

// The start-up letter map, with the unbound letters given the commands that
// no default letter reaches: i = cc, j = paf, y = prog, z = caf.
constexpr int32_t kFuzzCmdMap[MM_LETTERS] = {-1, -1, -1, -1, -1, -1, -1, 2, 32, 26, 11, -1, 129,
                                             -1, 12, 138, 16, -1, 4, 1, 22, 13, 135, 139, 21, 23};

void freshContext(mmctx *ctx)
{
    MMtrk_freeAll(ctx);
    memset(ctx, 0, sizeof *ctx);
    memcpy(ctx->cmdMap, kFuzzCmdMap, sizeof ctx->cmdMap);
    ctx->division = 960;
    ctx->tempo = ctx->curTempo = 500000;
    static constexpr uint8_t kSignature[4] = {4, 2, 24, 8};
    memcpy(ctx->signature, kSignature, 4);
    memcpy(ctx->curSignature, kSignature, 4);
    ctx->errMsg = ctx->errBuf;
    MM_srand(0);
    MMtrk_int(ctx);
    MMtrk_create(ctx, 1, "a", 0, 0);
    MMtrk_create(ctx, 2, "b", 0, 9);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    mmctx *ctx = &MM_ctx;
    freshContext(ctx);
    std::string text(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        // Lines hold no NUL: the reader ends a line there.
        line.resize(strlen(line.c_str()));
        if (!line.empty() && MMmml_line(ctx, line.c_str()) != 0) break;
        start = end + 1;
    }
    MMtrk_freeAll(ctx);
    return 0;
}
