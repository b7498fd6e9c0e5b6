// Keyword tables: sorted std::arrays of entries with a `name` member, searched
// by one case-insensitive binary search in MM_wordCmp order; (name, value)
// tables use MM_lookupName.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include "base/parse.h"

// True when each name sorts strictly after the one before it; meant for
// static_assert beside each table.
template <class Entry, std::size_t N>
constexpr bool MM_namesSorted(const std::array<Entry, N> &table)
{
    for (std::size_t i = 1; i < N; ++i)
        if (MM_wordCmp(table[i - 1].name, table[i].name) >= 0) return false;
    return true;
}

// The entry named by the word at `word` (ended by NUL or a blank), or null.
template <class Entry>
const Entry *MM_findName(std::span<const Entry> table, const char *word)
{
    std::size_t lo = 0, hi = table.size();
    while (lo < hi) {
        std::size_t mid = lo + (hi - lo) / 2;
        int diff = MM_wordCmp(word, table[mid].name);
        if (diff == 0) return &table[mid];
        if (diff < 0) hi = mid;
        else lo = mid + 1;
    }
    return nullptr;
}

template <class Entry, std::size_t N>
const Entry *MM_findName(const std::array<Entry, N> &table, const char *word)
{
    return MM_findName(std::span<const Entry>(table), word);
}

// The first entry, in table order, whose name the text begins with (without
// regard to case), or null: for the few tables the language searches in its
// own order by prefix (`velocity` finds `vel`).
template <class Entry>
const Entry *MM_findPrefix(std::span<const Entry> table, const char *text)
{
    for (const Entry &entry : table)
        if (MM_wordNCmp(text, entry.name, (int)strlen(entry.name)) == 0) return &entry;
    return nullptr;
}

template <class Entry, std::size_t N>
const Entry *MM_findPrefix(const std::array<Entry, N> &table, const char *text)
{
    return MM_findPrefix(std::span<const Entry>(table), text);
}

struct MMname {
    const char *name;
    int32_t value;
};

// The value of `name` in a sorted (name, value) table, or -1 when absent.
int32_t MM_lookupName(const char *name, const MMname *table, int count);

template <std::size_t N> int32_t MM_lookupName(const char *name, const std::array<MMname, N> &table)
{
    return MM_lookupName(name, table.data(), (int)N);
}
