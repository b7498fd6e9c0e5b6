// Filter arithmetic. A track's filter turns every value x of its kind into
// ratio * x / 1024 + offset + a random term, clamped to the filter's limits
// and cut to the highest `bits` of the kind's `maxBits` bits. It runs for
// every event written, so the common path is inline.
#pragma once
#include <cstdint>

#include "store/track.h"

// One draw of the filter's random term (its bounds in either order).
int64_t MMfilter_random(const mmfilter &filter);

// Scaling and the random term in 64 bits, where nothing overflows: a product
// past 32 bits is clamped like any other value out of range.
inline int64_t MMfilter_unclamped(const mmfilter &filter, int64_t x)
{
    int64_t r = (filter.randAllowed && filter.randOn) ? MMfilter_random(filter) : 0;
    return (int64_t)filter.ratio * x / 1024 + filter.offset + r;
}

// The random term, scaling and clamping, without the mask.
inline int32_t MMfilter_scale(const mmfilter &filter, int32_t x)
{
    int64_t y = MMfilter_unclamped(filter, x);
    if (y < filter.lo) return filter.lo;
    if (y > filter.hi) return filter.hi;
    return (int32_t)y;
}

// Keeps the top `bits` of the filter's `maxBits`-bit width.
inline int32_t MMfilter_mask(const mmfilter &filter, int32_t y)
{
    int width = filter.maxBits < 0 ? 0 : filter.maxBits > 31 ? 31 : filter.maxBits;
    int bits = filter.bits < 0 ? 0 : filter.bits > width ? width : filter.bits;
    if (bits == 0) return 0;
    uint32_t mask = ((1u << bits) - 1) << (width - bits);
    return (int32_t)((uint32_t)y & mask);
}

// Sets `plain` after the filter's fields change: no scaling, offset, random
// term or cut, which most filters are, and which MMfilter_apply takes short.
inline void MMfilter_refresh(mmfilter &filter)
{
    filter.plain = filter.ratio == 1024 && filter.offset == 0 && !(filter.randAllowed && filter.randOn) &&
                   filter.bits == filter.maxBits && (uint32_t)filter.bits <= 31;
}

[[gnu::always_inline]] inline int32_t MMfilter_apply(const mmfilter &filter, int32_t x)
{
    if (filter.plain) {
        int32_t y = x < filter.lo ? filter.lo : x > filter.hi ? filter.hi : x;
        return (int32_t)((uint32_t)y & ((1u << filter.bits) - 1));
    }
    return MMfilter_mask(filter, MMfilter_scale(filter, x));
}

// The tempo filter: unsigned microseconds per quarter note, masked to 24 bits.
uint32_t MMfilter_tempo(const mmfilter &filter, uint32_t microsecondsPerQuarter);

// The track's delay through its delay filter, drawn anew at every call; read
// for every note, so a plain filter is taken short.
inline int32_t MMevt_delay(mmtrk *track)
{
    if (!track->delayFilterOn) return 0;
    const mmfilter &filter = track->delayF;
    if (filter.plain) return track->delay < filter.lo ? filter.lo : track->delay > filter.hi ? filter.hi : track->delay;
    return MMfilter_scale(filter, track->delay);
}
