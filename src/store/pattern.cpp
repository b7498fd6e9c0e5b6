#include "store/pattern.h"

#include <cstdlib>
#include <cstring>

void MMpat_clear(mmctx *ctx)
{
    memset(ctx->patterns, 0, sizeof ctx->patterns);
}

void MMpat_free(mmctx *ctx)
{
    for (PatternGroup *&bucket : ctx->patterns) {
        while (PatternGroup *group = bucket) {
            bucket = group->next;
            while (PatternEntry *entry = group->first) {
                group->first = entry->next;
                free(entry->text);
                free(entry);
            }
            free(group->name);
            free(group);
        }
    }
}
