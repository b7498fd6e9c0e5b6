#include "decl/pattern_decl.h"

#include "base/messages.h"
#include "base/parse.h"
#include "store/pattern.h"

// The error texts written as literals in this file exist in English only,
// whatever the message language; users know them in that form.

int MMctl_pattern(mmctx *ctx, const char *text)
{
    constexpr const char *kError = "Pattern setting error!";
    char name[MM_PATTERN_NAME_MAX + 1];
    if (MM_getIdent(name, sizeof name, &text) < 0) return MM_setErr(ctx, kError);
    MM_skipBlanks(&text);
    if (*text != '(') return MM_setErr(ctx, kError);
    ++text;
    int32_t number = 0;
    if (MM_getNum(&number, &text) < 0 || number < 1) return MM_setErr(ctx, kError);
    MM_skipBlanks(&text);
    if (*text != ')') return MM_setErr(ctx, kError);
    ++text;
    MM_skipBlanks(&text);
    return MMpat_define(ctx, name, number, text);
}
