// Keyword tables: arrays of entries with a `name`, sorted by name without
// regard to ASCII case, searched by binary search.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

struct MMname {
    const char *name;
    int32_t value;
};

// Compares two names with ASCII letters folded to lower case.
constexpr int MM_compareName(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        unsigned char x = (unsigned char)*a, y = (unsigned char)*b;
        if (x >= 'A' && x <= 'Z') x = (unsigned char)(x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z') y = (unsigned char)(y + ('a' - 'A'));
        if (x != y || x == 0) return (int)x - (int)y;
    }
}

// For static_assert on a table's order: binary search needs strictly
// ascending names.
template <typename Entry, std::size_t N> constexpr bool MM_namesSorted(const std::array<Entry, N> &table)
{
    for (std::size_t i = 1; i < N; ++i)
        if (MM_compareName(table[i - 1].name, table[i].name) >= 0) return false;
    return true;
}

// The entry named `name` in a sorted table, or null.
template <typename Entry> const Entry *MM_findName(const char *name, const Entry *table, int count)
{
    int lo = 0, hi = count - 1;
    while (lo <= hi) {
        int mid = lo + (hi - lo) / 2;
        int order = MM_compareName(name, table[mid].name);
        if (order == 0) return &table[mid];
        if (order < 0) hi = mid - 1; else lo = mid + 1;
    }
    return nullptr;
}

template <typename Entry, std::size_t N> const Entry *MM_findName(const char *name, const std::array<Entry, N> &table)
{
    return MM_findName(name, table.data(), (int)N);
}

// The value of `name` in a sorted (name, value) table, or -1 when absent.
int32_t MM_lookupName(const char *name, const MMname *table, int count);

template <std::size_t N> int32_t MM_lookupName(const char *name, const std::array<MMname, N> &table)
{
    return MM_lookupName(name, table.data(), (int)N);
}
