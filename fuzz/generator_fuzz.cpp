// libFuzzer target for the generator macros: the first byte picks chord,
// expr, wave, slide or swave, the next two the output space, and the rest is
// the argument list, split at commas as the macro expander splits it.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target generator_fuzz
//   build-fuzz/generator_fuzz -dict=fuzz/generator.dict -max_len=256 CORPUS_DIR
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../tests/unit/fixture.h"
#include "gen/chord.h"
#include "gen/expr.h"
#include "gen/wave.h"

namespace {

using Generator = int (*)(mmctx *, int, char *, int, char **);
constexpr Generator kGenerators[] = {MMgen_chord, MMgen_expr, MMgen_wave, MMgen_slide, MMgen_swave};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3) return 0;
    static bool ready = resetContext() == 0;
    if (!ready) return 0;
    mmctx *ctx = &MM_ctx;
    Generator generator = kGenerators[data[0] % std::size(kGenerators)];
    int space = (data[1] | data[2] << 8) % (MM_LINE_SIZE + 1);
    std::string text(reinterpret_cast<const char *>(data + 3), size - 3);
    text.resize(strlen(text.c_str()));
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        items.push_back(text.substr(start, comma - start));
    items.push_back(text.substr(start));
    std::vector<char *> argv;
    for (std::string &item : items) argv.push_back(item.data());
    argv.push_back(nullptr);
    // The expander gives a generator `space` characters and room for a NUL.
    std::vector<char> out((size_t)space + 1, '\x7f');
    ctx->errMsg = nullptr;
    int written = generator(ctx, space, out.data(), (int)items.size(), argv.data());
    if (written > space) __builtin_trap();
    return 0;
}
