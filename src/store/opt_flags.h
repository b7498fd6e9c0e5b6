// What the optimiser keeps per track: the flag words that say which kinds of
// event it thins and what a kept event makes its channel forget, and the last
// values its pass has kept. `.optset` and `@OPT` change the words; the pass
// itself lives in output/optimizer.cpp.
#pragma once
#include <cstdint>

// The optimiser's flag words (tempo, note, pitch bend, program, channel and
// polyphonic aftertouch, exclusive, then one per controller) and the last
// values its pass has kept per channel.
constexpr int MM_OPT_WORDS = 7 + 128;
struct mmoptState {
    uint32_t tempo;
    uint16_t program[16];
    uint16_t pitch[16];
    uint16_t caf[16];
    uint16_t paf[16][128];
    uint16_t cc[16][128];
    // Whether a channel's row of paf or cc holds a kept value, so that
    // forgetting a row nothing was kept in costs nothing.
    uint8_t pafKept[16];
    uint8_t ccKept[16];
};

// Indexes of a track's flag words (mmtrk::optFlags).
enum MMoptWord : int {
    MMOPT_TEMPO, MMOPT_NOTE, MMOPT_PITCH, MMOPT_PROG, MMOPT_CAF, MMOPT_PAF, MMOPT_EXCL,
    MMOPT_CC0,                 // controller c uses MMOPT_CC0 + c
};

// Bits of a flag word. MMOPT_ON thins events of the word's kind; the
// forget bits say what a kept event of that kind makes its channel forget.
enum MMoptBit : uint16_t {
    MMOPT_ON = 1,
    MMOPT_FNOTE = 48,          // accepted, no effect
    MMOPT_FPROG = 64,
    MMOPT_FPITCH = 128,
    MMOPT_FPAF = 256,
    MMOPT_FCAF = 512,
    MMOPT_FPRES = MMOPT_FPAF | MMOPT_FCAF,
    MMOPT_FCC = 1024,
    MMOPT_FEXCL = 4096,        // accepted, no effect
    MMOPT_FTEMPO = 16384,      // only in a clear marker
};

// Marker kind of the clear marker (0xFF 0xFF kind, flags low, flags high).
constexpr int MMOPT_CLEAR_MARKER = 0x10;
