// (name, value) keyword tables sorted by name, searched without regard to
// ASCII case with the one shared lookup of mml/name_table.h.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include "mml/name_table.h"

struct MMname {
    const char *name;
    int32_t value;
};

// The value of `name` in a sorted table, or -1 when absent.
int32_t MM_lookupName(const char *name, const MMname *table, int count);

template <std::size_t N> int32_t MM_lookupName(const char *name, const std::array<MMname, N> &table)
{
    return MM_lookupName(name, table.data(), (int)N);
}
