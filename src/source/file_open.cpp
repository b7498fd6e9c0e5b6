// The program's file-search open: the name as written, else beside the main
// source file.
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "driver/paths.h"
#include "source/reader.h"
#include "source/text_scan.h"

namespace {

// `\` separates path components like `/`, except as the trail byte of a
// double-byte character.
void toSlashes(std::string &path)
{
    const char *end = path.data() + path.size();
    for (char *p = path.data(); p < end; p += MMcpp_charLen(p, end))
        if (*p == '\\') *p = '/';
}

// A directory opens as a stream on this system but reads as nothing: refuse it.
FILE *openPath(std::string path, const char *mode)
{
    toSlashes(path);
    FILE *fp = fopen(path.c_str(), mode);
    if (!fp) return nullptr;
    struct stat info;
    if (fstat(fileno(fp), &info) == 0 && S_ISDIR(info.st_mode)) {
        fclose(fp);
        return nullptr;
    }
    return fp;
}

}  // namespace

extern "C" FILE *MM_fopen(mmctx *ctx, const char *name, const char *mode)
{
    if (!name || !mode) return nullptr;
    if (FILE *fp = openPath(name, mode)) return fp;
    if (!ctx) ctx = &MM_ctx;
    char dir[MM_DIR_SIZE + 8];
    MM_pathDir(dir, ctx->fileStack[0].name);
    std::string path = dir;
    if (path.empty() || (path.back() != '/' && path.back() != '\\')) path += '/';
    path += name;
    return openPath(std::move(path), mode);
}
