#include <cstring>

#include "driver/compile.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "driver/settings.h"

int main(int argc, char **argv)
{
    MM_settings.argc = argc;
    MM_settings.argv = argv;
    try {
        if (argc > 1 && MM_parseArgs(argc, argv) != 0) return 1;
        return MM_compile() == 0 ? 0 : 1;
    } catch (const MMabort &stop) {
        return stop.status;
    }
}
