// Signed 32-bit arithmetic with two's-complement wrap-around. Timing, ratio
// and offset sums of the MML interpreter wrap like the machine words they
// model; doing it through unsigned words keeps the wrap free of undefined
// behaviour.
#pragma once
#include <cstdint>

inline int32_t MMwrap_add(int32_t a, int32_t b) { return (int32_t)((uint32_t)a + (uint32_t)b); }
inline int32_t MMwrap_sub(int32_t a, int32_t b) { return (int32_t)((uint32_t)a - (uint32_t)b); }
inline int32_t MMwrap_mul(int32_t a, int32_t b) { return (int32_t)((uint32_t)a * (uint32_t)b); }
// Truncates toward zero; the divisor must not be 0. INT32_MIN / -1 wraps to INT32_MIN.
inline int32_t MMwrap_div(int32_t a, int32_t b) { return b == -1 ? MMwrap_sub(0, a) : a / b; }

inline int32_t MMclamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }
