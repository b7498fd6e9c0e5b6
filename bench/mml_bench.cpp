// Interpreting MML lines, the compiler's other hot path: character dispatch,
// note parsing and the events of each note, for plain notes and for notes
// with lengths, gates, accidentals and options.
//   build/mml_bench [--benchmark_filter=NAME]
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "base/random.h"
#include "mml/mml_line.h"
#include "store/track.h"

namespace {

constexpr int32_t kDefaultCmdMap[MM_LETTERS] = {-1, -1, -1, -1, -1, -1, -1, 2, 0, 0, 11, -1, 129,
                                                -1, 12, 138, 16, -1, 4, 1, 22, 13, 135, 139, 0, 0};
constexpr int kLines = 1000;

void startSong()
{
    MMtrk_freeAll(&MM_ctx);
    memset((void *)&MM_ctx, 0, sizeof MM_ctx);
    memcpy(MM_ctx.cmdMap, kDefaultCmdMap, sizeof MM_ctx.cmdMap);
    MM_ctx.division = 960;
    MM_ctx.tempo = 500000;
    MM_ctx.errMsg = MM_ctx.errBuf;
    MM_srand(0);
    MMtrk_int(&MM_ctx);
    MMtrk_create(&MM_ctx, 1, "melody", 0, 0);
}

// Plays `kLines` copies of `line`, each holding `notes` notes.
void playLines(benchmark::State &state, const char *line, int notes)
{
    for (auto _ : state) {
        state.PauseTiming();
        startSong();
        state.ResumeTiming();
        for (int i = 0; i < kLines; ++i)
            if (MMmml_line(&MM_ctx, line) != 0) state.SkipWithError(MM_ctx.errMsg);
    }
    state.SetItemsProcessed(state.iterations() * kLines * notes);
    MMtrk_freeAll(&MM_ctx);
}

void BM_PlainNotes(benchmark::State &state) { playLines(state, "melody(1) = l16 cdefgab>c< cdefgab>c<", 16); }

void BM_WrittenNotes(benchmark::State &state)
{
    playLines(state, "melody(1) = c16,50% d+16. e-32 f16&f16 g:120/100 a16 v'-1 b16 >c16<", 8);
}

void BM_TupletsAndParams(benchmark::State &state)
{
    playLines(state, "melody(2) = {c d e}8/3 v100 w100 p-10 q80 {c d e f}4/4 c(caf:10)", 8);
}

BENCHMARK(BM_PlainNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WrittenNotes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TupletsAndParams)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
