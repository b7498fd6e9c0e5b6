#include <cstdlib>

#include "base/paths.h"
#include "driver/compile.h"
#include "driver/options.h"
#include "script/zyl.h"

int main(int argc, char **argv)
{
    MM_settings.argc = argc;
    MM_settings.argv = argv;
    MM_progDir(MM_settings.progDir, argc > 0 ? argv[0] : nullptr, sizeof MM_settings.progDir);
    static const ZYLcfg engineConfig = {malloc, free, {}};
    ZYL_setCfg(&engineConfig);
    return MM_run(argc, argv);
}
