// Writing events, the compiler's hot path: notes written by the typed writers
// into one track, in time order, with two parts interleaved by measure or
// one part after the other (inserted in the middle of the list), and in file
// mode (written to a work file, then read back); and the MIDI file written.
//   build/event_bench [--benchmark_filter=NAME]
// Peak memory: /usr/bin/time -v build/event_bench --benchmark_filter=NAME
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "output/smf_writer.h"
#include "store/event.h"
#include "store/event_writers.h"
#include "store/track.h"
#include "store/work.h"

namespace {

constexpr uint32_t kQuarter = 960;
constexpr uint32_t kMeasure = 4 * kQuarter;
constexpr int kNotesPerMeasure = 16;

mmtrk *startSong(uint32_t workMode, const std::string &workPath)
{
    MMtrk_freeAll(&MM_ctx);
    memset((void *)&MM_ctx, 0, sizeof MM_ctx);
    MM_ctx.division = (int32_t)kQuarter;
    MM_ctx.workMode = workMode;
    snprintf(MM_ctx.workPath, sizeof MM_ctx.workPath, "%s", workPath.c_str());
    MMtrk_int(&MM_ctx);
    MMtrk_create(&MM_ctx, 1, "melody", 0, 0);
    return MMtrk_findNo(&MM_ctx, 1);
}

// One measure of sixteenth notes of one part: note-on and note-off each.
void writeMeasure(mmtrk *track, int part, uint32_t measure)
{
    constexpr uint32_t step = kMeasure / kNotesPerMeasure;
    uint32_t start = measure * kMeasure + (uint32_t)part;  // parts apart by a clock
    for (int i = 0; i < kNotesPerMeasure; ++i) {
        uint32_t clock = start + (uint32_t)i * step;
        int note = 48 + part * 12 + i;
        MMevt_noteOn(track, clock, part, note, 100);
        MMevt_noteOff(track, clock + step - 10, part, note, 0);
    }
}

uint32_t measuresFor(int64_t events, int parts) { return (uint32_t)(events / (2 * kNotesPerMeasure * parts)); }

void finish(benchmark::State &state, int64_t events)
{
    state.SetItemsProcessed(state.iterations() * events);
    MMtrk_freeAll(&MM_ctx);
}

void BM_InTimeOrder(benchmark::State &state)
{
    uint32_t measures = measuresFor(state.range(0), 1);
    for (auto _ : state) {
        mmtrk *track = startSong(0, "");
        for (uint32_t m = 0; m < measures; ++m) writeMeasure(track, 0, m);
        MMevt_order(track);
        benchmark::DoNotOptimize(track->firstChunk);
    }
    finish(state, (int64_t)measures * 2 * kNotesPerMeasure);
}

void BM_PartsInterleavedByMeasure(benchmark::State &state)
{
    uint32_t measures = measuresFor(state.range(0), 2);
    for (auto _ : state) {
        mmtrk *track = startSong(0, "");
        for (uint32_t m = 0; m < measures; ++m) {
            writeMeasure(track, 0, m);
            writeMeasure(track, 1, m);
        }
        MMevt_order(track);
        benchmark::DoNotOptimize(track->firstChunk);
    }
    finish(state, (int64_t)measures * 4 * kNotesPerMeasure);
}

void BM_PartAfterPart(benchmark::State &state)
{
    uint32_t measures = measuresFor(state.range(0), 2);
    for (auto _ : state) {
        mmtrk *track = startSong(0, "");
        for (int part = 0; part < 2; ++part)
            for (uint32_t m = 0; m < measures; ++m) writeMeasure(track, part, m);
        MMevt_order(track);
        benchmark::DoNotOptimize(track->firstChunk);
    }
    finish(state, (int64_t)measures * 4 * kNotesPerMeasure);
}

// Written to the work file and, with `load`, read back and freed as the MIDI
// writer does.
void fileMode(benchmark::State &state, bool load)
{
    char dir[] = "/tmp/qoral_bench_XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    uint32_t measures = measuresFor(state.range(0), 2);
    for (auto _ : state) {
        mmtrk *track = startSong(1, std::string(dir) + "/");
        for (uint32_t m = 0; m < measures; ++m) {
            writeMeasure(track, 0, m);
            writeMeasure(track, 1, m);
        }
        MMwork_close(track);
        if (load) MMwork_load(track);
        MMevt_order(track);
        benchmark::DoNotOptimize(track->firstChunk);
        MMevt_freeAll(track);
    }
    finish(state, (int64_t)measures * 4 * kNotesPerMeasure);
    rmdir(dir);
}

// The MIDI file of a track written in time order: delta times, running
// status and the chunk, timed apart from making the events.
void BM_WriteMidiFile(benchmark::State &state)
{
    char dir[] = "/tmp/qoral_bench_XXXXXX";
    if (!mkdtemp(dir)) {
        state.SkipWithError("no temporary directory");
        return;
    }
    uint32_t measures = measuresFor(state.range(0), 1);
    std::string output = std::string(dir) + "/song.mid";
    for (auto _ : state) {
        state.PauseTiming();
        mmtrk *track = startSong(0, "");
        for (uint32_t m = 0; m < measures; ++m) writeMeasure(track, 0, m);
        MMevt_endTrack(track, measures * kMeasure);
        MMevt_endTrack(MM_ctx.ctrlTrack, measures * kMeasure);
        snprintf(MM_ctx.outputName, sizeof MM_ctx.outputName, "%s", output.c_str());
        state.ResumeTiming();
        if (MM_writeSmf(&MM_ctx) < 0) state.SkipWithError("write failed");
    }
    finish(state, (int64_t)measures * 2 * kNotesPerMeasure);
    remove(output.c_str());
    rmdir(dir);
}

void BM_FileModeWrite(benchmark::State &state) { fileMode(state, false); }
void BM_FileModeWriteAndLoad(benchmark::State &state) { fileMode(state, true); }

constexpr int64_t kEvents = 4'000'000;

BENCHMARK(BM_InTimeOrder)->Arg(kEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartsInterleavedByMeasure)->Arg(kEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartAfterPart)->Arg(kEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileModeWrite)->Arg(kEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileModeWriteAndLoad)->Arg(kEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteMidiFile)->Arg(kEvents)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
