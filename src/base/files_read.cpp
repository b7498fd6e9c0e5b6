#include "base/files_read.h"

#include <string>
#include <sys/stat.h>
#include <vector>

struct MMreadFiles {
    struct File {
        dev_t device;
        ino_t inode;
        std::string name;
    };
    std::vector<File> files;
};

namespace {

void note(mmctx *ctx, const struct stat &info, const char *name)
{
    if (!ctx->readFiles) ctx->readFiles = new MMreadFiles;
    for (const MMreadFiles::File &file : ctx->readFiles->files)
        if (file.device == info.st_dev && file.inode == info.st_ino) return;
    ctx->readFiles->files.push_back({info.st_dev, info.st_ino, name});
}

}  // namespace

void MM_noteRead(mmctx *ctx, FILE *fp, const char *name)
{
    struct stat info;
    if (fp && fstat(fileno(fp), &info) == 0) note(ctx, info, name);
}

void MM_notePathRead(mmctx *ctx, const char *path)
{
    struct stat info;
    if (stat(path, &info) == 0) note(ctx, info, path);
}

const char *MM_readAs(const mmctx *ctx, const char *path)
{
    struct stat info;
    if (!ctx->readFiles || stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
    for (const MMreadFiles::File &file : ctx->readFiles->files)
        if (file.device == info.st_dev && file.inode == info.st_ino) return file.name.c_str();
    return nullptr;
}

void MM_forgetReads(mmctx *ctx)
{
    delete ctx->readFiles;
    ctx->readFiles = nullptr;
}

bool MM_sameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && S_ISREG(sa.st_mode) && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}
