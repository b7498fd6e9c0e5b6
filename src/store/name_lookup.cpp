#include "store/name_lookup.h"

int32_t MM_lookupName(const char *name, const MMname *table, int count)
{
    const MMname *entry = MM_findName(name, table, count);
    return entry ? entry->value : -1;
}
