#include "gen/gen_text.h"

#include <cstdio>

#include "base/messages.h"

bool MMgenText::fill(const char *pattern, int32_t value)
{
    char digits[16];
    size_t digitCount = (size_t)snprintf(digits, sizeof digits, "%d", (int)value);
    bool placed = false;
    for (const char *p = pattern; *p; ++p) {
        bool ok = *p == '=' ? put(digits, digitCount) : put(p, 1);
        if (!ok) return false;
        placed = placed || *p == '=';
    }
    return placed || put(digits, digitCount);
}

// English only, like the expander's own text of it.
int MMgen_outOfSpace(mmctx *ctx) { return MM_setErr(ctx, "Out of string space!"); }
