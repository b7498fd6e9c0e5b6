#include <cstdlib>

#include "driver/compile.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "driver/paths.h"
#include "driver/settings.h"
#include "script/zyl.h"

int main(int argc, char **argv)
{
    MM_settings.argc = argc;
    MM_settings.argv = argv;
    MM_progDir(MM_settings.progDir, argc > 0 ? argv[0] : nullptr, sizeof MM_settings.progDir);
    static const ZYLcfg engineConfig = {malloc, free, {}};
    ZYL_setCfg(&engineConfig);
    // A fatal error anywhere below throws MMabort with the exit status.
    try {
        if (argc > 1 && MM_parseArgs(argc, argv) != 0) return 1;
        return MM_compile() == -1 ? 1 : 0;
    } catch (const MMabort &stop) {
        return stop.status;
    }
}
