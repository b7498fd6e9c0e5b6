// The engine of a build without scripts (the browser's): the same six entry
// points, but no script ever runs. The start-up script is found as usual and
// accepted unread, so a song compiles exactly as natively unless it calls a
// script function, which fails with a message that says why.
#include "script/zyl.h"

#include <cstdio>

namespace {

char errText[256];

}  // namespace

void ZYL_setCfg(const ZYLcfg *) {}

int ZYL_init(uint32_t, uint32_t)
{
    errText[0] = '\0';
    return 0;
}

int ZYL_setFunc(const ZYLfunc *) { return 0; }

int ZYL_load(const char *)
{
    errText[0] = '\0';
    return 0;
}

const char *ZYL_getErrMsg() { return errText; }

int ZYL_exec(const char *name, int, ...)
{
    snprintf(errText, sizeof errText, "Scripts are not available in the browser: cannot call script function '%s'",
             name ? name : "");
    return -1;
}
