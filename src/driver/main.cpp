#include <cstdlib>
#include <new>

#include "base/messages.h"
#include "base/paths.h"
#include "driver/compile.h"
#include "driver/finish.h"
#include "driver/options.h"
#include "driver/settings.h"
#include "script/zyl.h"

namespace {

// Storage ran out where no result could carry the failure: reported like
// every other "Out of memory!", at the line being compiled.
void reportOutOfMemory()
{
    mmctx *ctx = &MM_ctx;
    ctx->errMsg = MM_text(MSG_OUT_OF_MEMORY);
    ctx->errPoint = nullptr;
    MM_printError();
}

}  // namespace

int main(int argc, char **argv)
{
    MM_settings.argc = argc;
    MM_settings.argv = argv;
    MM_progDir(MM_settings.progDir, argc > 0 ? argv[0] : nullptr, sizeof MM_settings.progDir);
    static const ZYLcfg engineConfig = {malloc, free, {}};
    ZYL_setCfg(&engineConfig);
    // A fatal error anywhere below throws MMabort with the exit status; the
    // files are closed and everything released here, whatever the outcome.
    int status = 0;
    try {
        if (argc > 1 && MM_parseArgs(argc, argv) != 0) return 1;
        status = MM_compile() == -1 ? 1 : 0;
    } catch (const MMabort &stop) {
        status = stop.status;
    } catch (const std::bad_alloc &) {
        reportOutOfMemory();
        status = 1;
    }
    MM_closeFiles();
    MM_releaseAll();
    return status;
}
