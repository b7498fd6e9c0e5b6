// libFuzzer target for MML and control lines: every input is a few lines
// played into the parts of two declared tracks on a fresh compile context (a
// line beginning with `.` is a control line), up to the first failing line or
// `.end`, as the compile driver would.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target mml_line_fuzz
//   build-fuzz/mml_line_fuzz -dict=fuzz/mml_line.dict -max_len=512 CORPUS_DIR
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "../tests/unit/fixture.h"
#include "decl/control.h"

namespace {

// The start-up context, with the unbound letters given the commands that no
// default letter reaches: i = cc, j = paf, y = prog, z = caf.
void freshContext(mmctx *ctx)
{
    resetContext();
    const std::pair<char, int32_t> unbound[] = {{'i', 32}, {'j', 26}, {'y', 21}, {'z', 23}};
    for (auto [letter, command] : unbound) ctx->cmdMap[letter - 'a'] = command;
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
        if (line.empty()) {
            start = end + 1;
            continue;
        }
        ctx->errMsg = ctx->errPoint = nullptr;
        int result = line[0] == '.' ? MMctl_line(ctx, line.c_str()) : MMmml_line(ctx, line.c_str());
        if (result != 0 || ctx->ended) break;
        start = end + 1;
    }
    MM_releaseAll();
    return 0;
}
