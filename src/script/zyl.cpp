// Placeholder: the script engine comes with its own piece of work.
#include "script/zyl.h"

void ZYL_setCfg(const ZYLcfg *) {}
int ZYL_init(uint32_t, uint32_t) { return 0; }
int ZYL_setFunc(const ZYLfunc *) { return 0; }
int ZYL_load(const char *) { return 0; }
const char *ZYL_getErrMsg() { return ""; }
int ZYL_exec(const char *, int, ...) { return -1; }
