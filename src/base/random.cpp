#include "base/random.h"

namespace {

// Knuth's subtractive generator, lags 24 and 55; entries 1..55 are used.
constexpr int kLag = 55;
constexpr int kShortLag = 24;

struct RandomState {
    uint32_t entry[kLag + 1];
    int next;
};
RandomState state;

void stir()
{
    for (int i = 1; i <= kShortLag; ++i) state.entry[i] -= state.entry[i + kLag - kShortLag];
    for (int i = kShortLag + 1; i <= kLag; ++i) state.entry[i] -= state.entry[i - kShortLag];
}

}  // namespace

void MM_srand(uint32_t seed)
{
    state.entry[kLag] = seed;
    uint32_t mj = seed, mk = 1;
    for (int i = 21; i <= 21 * (kLag - 1); i += 21) {
        int k = i % kLag;
        state.entry[k] = mk;
        mk = mj - mk;
        mj = state.entry[k];
    }
    for (int pass = 0; pass < 3; ++pass) stir();
    state.next = kLag;
}

uint32_t MM_rand()
{
    if (++state.next > kLag) {
        stir();
        state.next = 1;
    }
    return state.entry[state.next];
}
