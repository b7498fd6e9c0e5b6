// Placeholder: the generator comes with the value parsers.
#include "mml/random.h"

void MM_srand(uint32_t) {}
uint32_t MM_rand() { return 0; }
