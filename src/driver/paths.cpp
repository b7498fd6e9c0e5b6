// Placeholder path utilities; the command-line work replaces them.
#include "driver/paths.h"

#include <cstring>

void MM_pathJoin(char *dir, const char *name)
{
    size_t n = strlen(dir);
    if (n && dir[n - 1] != '/' && dir[n - 1] != '\\' && dir[n - 1] != ':') strcat(dir, "/");
    strcat(dir, name);
}

void MM_pathStripExt(char *out, const char *path)
{
    const char *dot = strrchr(path, '.');
    size_t n = dot ? (size_t)(dot - path) : strlen(path);
    memmove(out, path, n);
    out[n] = '\0';
}

void MM_defaultExt(char *out, const char *in, const char *ext)
{
    if (out != in) strcpy(out, in);
    const char *slash = strrchr(out, '/');
    if (!strchr(slash ? slash : out, '.')) strcat(out, ext);
}
