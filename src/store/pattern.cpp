#include "store/pattern.h"

#include <cstdlib>
#include <cstring>

#include "base/messages.h"
#include "base/parse.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

namespace {

// 0 minus the sum of the lower-cased character codes, modulo the bucket count.
unsigned bucketOf(const char *name)
{
    unsigned sum = 0;
    for (const char *p = name; *p; ++p) sum -= (unsigned)MM_lowerAscii((unsigned char)*p);
    return sum % MM_PATTERN_BUCKETS;
}

bool sameName(const char *a, const char *b)
{
    for (; *a && *b; ++a, ++b)
        if (MM_lowerAscii((unsigned char)*a) != MM_lowerAscii((unsigned char)*b)) return false;
    return *a == *b;
}

char *copyText(const char *text)
{
    size_t length = strlen(text) + 1;
    char *copy = (char *)malloc(length);
    if (copy) memcpy(copy, text, length);
    return copy;
}

PatternGroup *newGroup(mmctx *ctx, const char *name)
{
    PatternGroup *group = (PatternGroup *)calloc(1, sizeof(PatternGroup));
    char *nameCopy = copyText(name);
    if (!group || !nameCopy) {
        free(group);
        free(nameCopy);
        return nullptr;
    }
    group->name = nameCopy;
    PatternGroup *&bucket = ctx->patterns[bucketOf(name)];
    group->next = bucket;
    bucket = group;
    ctx->workSize += MM_PATTERN_GROUP_WORK;
    return group;
}

}  // namespace

void MMpat_clear(mmctx *ctx)
{
    memset(ctx->patterns, 0, sizeof ctx->patterns);
    ctx->patternNest = 0;
}

PatternGroup *MMpat_find(mmctx *ctx, const char *name)
{
    for (PatternGroup *group = ctx->patterns[bucketOf(name)]; group; group = group->next)
        if (sameName(group->name, name)) return group;
    return nullptr;
}

int MMpat_define(mmctx *ctx, const char *name, int32_t number, const char *text)
{
    PatternGroup *group = MMpat_find(ctx, name);
    if (!group && !(group = newGroup(ctx, name))) return MM_setErr(ctx, "Out of memory!");

    // The new entry goes before `after`'s successor: behind every lower number.
    PatternEntry *after = nullptr;
    for (PatternEntry *entry = group->first; entry && entry->number <= number; entry = entry->next) {
        if (entry->number == number) {
            MM_setErrMsg(ctx, "Redefining defined pattern \"%s\" no.%d ", name, number);
            return -1;
        }
        after = entry;
    }

    PatternEntry *entry = (PatternEntry *)calloc(1, sizeof(PatternEntry));
    char *textCopy = copyText(text);
    if (!entry || !textCopy) {
        free(entry);
        free(textCopy);
        return MM_setErr(ctx, "Out of memory!");
    }
    entry->number = number;
    entry->text = textCopy;
    entry->prev = after;
    entry->next = after ? after->next : group->first;
    if (entry->next) entry->next->prev = entry;
    if (after) after->next = entry;
    else group->first = entry;
    ++group->count;
    ctx->workSize += MM_PATTERN_ENTRY_WORK;
    return 0;
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
                ctx->workSize -= MM_PATTERN_ENTRY_WORK;
            }
            free(group->name);
            free(group);
            ctx->workSize -= MM_PATTERN_GROUP_WORK;
        }
    }
}
