// libFuzzer target for the source reader: every input is a source file, read
// to its end (or its first error) line by line as the compile driver would,
// with its bytes checked (NUL bytes, line lengths, continuations, each file's
// encoding) and every line expanded. The first byte picks the -encoding
// setting (auto, UTF-8, Shift-JIS).
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target reader_fuzz
//   build-fuzz/reader_fuzz -max_len=40000 CORPUS_DIR
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "../tests/unit/fixture.h"
#include "base/text_encoding.h"
#include "source/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    static const std::string path = "/tmp/qoral_reader_fuzz_" + std::to_string(getpid()) + ".mml";
    FILE *fp = fopen(path.c_str(), "wb");
    if (!fp) return 0;
    fwrite(data + 1, 1, size - 1, fp);
    fclose(fp);
    if (resetContext() < 0) return 0;
    mmctx *ctx = &MM_ctx;
    ctx->console = 0;
    ctx->sourceEncoding = (uint8_t)(data[0] % 3);
    try {
        ctx->errMsg = nullptr;
        if (MMcpp_open(ctx, path.c_str()) == 0) {
            for (;;) {
                ctx->errMsg = nullptr;
                const char *line = MMcpp_getLine(ctx);
                if (!line) break;
                if (strlen(line) >= (size_t)MM_LINE_SIZE) __builtin_trap();
            }
        }
    } catch (const MMabort &) {
    }
    MMcpp_closeAll(ctx);
    return 0;
}
