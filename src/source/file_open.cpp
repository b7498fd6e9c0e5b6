// The program's file-search open: the name as written, else beside the main
// source file.
#include <cstring>
#include <string>

#include "base/paths.h"
#include "source/reader.h"

extern "C" FILE *MM_fopen(mmctx *ctx, const char *name, const char *mode)
{
    if (!name || !mode) return nullptr;
    if (FILE *fp = MM_openPath(name, mode)) return fp;
    if (!ctx) ctx = &MM_ctx;
    char dir[MM_DIR_SIZE + 8];
    MM_pathDir(dir, ctx->fileStack[0].name);
    std::string path = dir;
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
    path += name;
    return MM_openPath(path.c_str(), mode);
}
