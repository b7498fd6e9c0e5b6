// The program's one random generator: subtractive, lags 24 and 55, seeded
// with 0 at every compile start so a source always compiles to the same file.
#pragma once
#include <cstdint>

void MM_srand(uint32_t seed);
uint32_t MM_rand();
