// libFuzzer target for the MIDI file reader of .import: the input is the file,
// read from memory into a music track with every class switched on; the first
// byte, when the input is not a file on its own, picks the source track.
//   CXX=clang++ CC=clang cmake -S . -B build-fuzz -DQORAL_FUZZ=ON && cmake --build build-fuzz --target import_fuzz
//   build-fuzz/import_fuzz -max_len=4096 CORPUS_DIR fuzz/import_seeds
#include <cstddef>
#include <cstdint>

#include "../tests/unit/fixture.h"
#include "import/midi_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool ready = resetContext() == 0 && MMtrk_create(&MM_ctx, 1, "fuzz", 0, 1) == 0;
    if (!ready) return 0;
    mmctx *ctx = &MM_ctx;
    mmtrk *track = MMtrk_findNo(ctx, 1);
    if (!track) return 0;
    MMimp_options options;
    MMimp_defaults(&options, false);
    // Inputs that do not start with the header try the chunk filter too.
    if (size > 0 && data[0] != 'M') options.sourceTrack = data[0] % 3 - 1;
    ctx->errMsg = nullptr;
    MMimp_readBytes(ctx, track, data, size, options);
    // The events are not needed; a fresh list keeps the run's memory flat.
    static int runs = 0;
    if (++runs % 256 == 0) {
        resetContext();
        MMtrk_create(ctx, 1, "fuzz", 0, 1);
    }
    return 0;
}
