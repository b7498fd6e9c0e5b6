// libFuzzer target for the expansion of one source line: macro references,
// repeats, comments, escapes and the five generator macros, on a fresh
// macro table, into a line buffer of the size the reader gives.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target expand_fuzz
//   build-fuzz/expand_fuzz -dict=fuzz/generator.dict -max_len=1024 CORPUS_DIR
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/unit/fixture.h"
#include "source/expand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = resetContext() == 0;
    if (!ready) return 0;
    mmctx *ctx = &MM_ctx;
    std::string line(reinterpret_cast<const char *>(data), size);
    line.resize(strlen(line.c_str()));
    static std::vector<char> out(MM_LINE_SIZE + 1);
    ctx->errMsg = nullptr;
    ctx->macroNest = 0;
    int written = MMcpp_expand(ctx, MM_LINE_SIZE, out.data(), line.c_str(), -1, nullptr);
    if (written > MM_LINE_SIZE) __builtin_trap();
    return 0;
}
