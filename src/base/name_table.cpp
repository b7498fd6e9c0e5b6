#include "base/name_table.h"

#include <span>

int32_t MM_lookupName(const char *name, const MMname *table, int count)
{
    if (count <= 0) return -1;
    const MMname *entry = MM_findName(std::span<const MMname>(table, (size_t)count), name);
    return entry ? entry->value : -1;
}
