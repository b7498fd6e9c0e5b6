// The engine of a build without scripts (the browser's): the same entry
// points, but no script ever runs. A start-up script that does nothing is
// never loaded, so a song compiles exactly as natively unless it needs a
// script: loading one, or calling a script function, fails with a message
// that says why.
#include "script/zyl.h"

#include <cstdio>

namespace {

constexpr const char *kNoScripts = "Scripts are not available in the browser";

char errText[320];

}  // namespace

void ZYL_setCfg(const ZYLcfg *) {}

int ZYL_init(uint32_t, uint32_t)
{
    errText[0] = '\0';
    return 0;
}

int ZYL_setFunc(const ZYLfunc *) { return 0; }

int ZYL_load(const char *path)
{
    snprintf(errText, sizeof errText, "%s: cannot load '%s'", kNoScripts, path ? path : "");
    return -1;
}

const char *ZYL_getErrMsg() { return errText; }

bool ZYL_defines(const char *) { return false; }

int ZYL_exec(const char *name, int, ...)
{
    snprintf(errText, sizeof errText, "%s: cannot call script function '%s'", kNoScripts, name ? name : "");
    return -1;
}
