// The functions and variables offered to scripts, registered with the engine
// in a fixed order at every start-up.
#pragma once
#include <cstdint>

struct ZYLfunc;

// The table, ended by an all-zero entry.
const ZYLfunc *MM_offeredTable();
int MM_offeredCount();
void MM_registerOffered();

extern "C" {
int _funcCall(const char *name, int count, ...);
intptr_t _setByte(intptr_t p, intptr_t v);
intptr_t _setWord(intptr_t p, intptr_t v);
intptr_t _setDword(intptr_t p, intptr_t v);
uint32_t _getByte(intptr_t p);
uint32_t _getWord(intptr_t p);
uint32_t _getDword(intptr_t p);
}
