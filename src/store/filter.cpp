#include "store/filter.h"

#include <algorithm>

#include "base/random.h"

// @FILTER stores the bounds in order; taking them in either order here too
// keeps the modulus between 1 and 2^32 whatever a record holds.
int64_t MMfilter_random(const mmfilter &f)
{
    int64_t lo = std::min(f.randLo, f.randHi), hi = std::max(f.randLo, f.randHi);
    uint64_t span = (uint64_t)(hi - lo) + 1;
    return lo + (int64_t)(MM_rand() % span);
}

uint32_t MMfilter_tempo(const mmfilter &f, uint32_t x)
{
    // The tempo limits are unsigned microsecond figures.
    int64_t lo = (uint32_t)f.lo, hi = (uint32_t)f.hi;
    int64_t y = MMfilter_unclamped(f, x);
    if (y < lo) y = lo;
    else if (y > hi) y = hi;
    return (uint32_t)MMfilter_mask(f, (int32_t)(uint32_t)y);
}

