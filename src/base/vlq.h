// Writing the variable-length quantities of MIDI files: 7 bits a byte, the
// most significant group first, 28 bits at most (byte_reader.h reads them).
#pragma once
#include <cstdint>

constexpr uint32_t MM_VLQ_MAX = 0x0FFFFFFF;
constexpr int MM_VLQ_BYTES = 4;     // bytes of the longest quantity

// Writes `value` (taken modulo 2^28) at `p`; gives the byte after it.
[[gnu::always_inline]] inline uint8_t *MM_putVlq(uint8_t *p, uint32_t value)
{
    value &= MM_VLQ_MAX;
    if (value < 0x80) {
        *p++ = (uint8_t)value;
        return p;
    }
    if (value < 0x4000) {
        *p++ = (uint8_t)(value >> 7 | 0x80);
        *p++ = (uint8_t)(value & 0x7f);
        return p;
    }
    uint8_t groups[MM_VLQ_BYTES];
    int n = 0;
    groups[n++] = value & 0x7f;
    while (value >>= 7) groups[n++] = (uint8_t)((value & 0x7f) | 0x80);
    while (n > 0) *p++ = groups[--n];
    return p;
}
