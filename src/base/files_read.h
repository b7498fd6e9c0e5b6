// The files a run has read (the source, its includes, imported MIDI files, the
// start-up script), known by device and inode, so that no file the run writes
// lands on one of them. Only regular files count: writing to a device such as
// /dev/null destroys nothing.
#pragma once
#include <cstdio>
#include "base/context.h"

// Notes the file open in `fp`, read under `name`.
void MM_noteRead(mmctx *ctx, FILE *fp, const char *name);
// Notes the file `path` names, if it exists.
void MM_notePathRead(mmctx *ctx, const char *path);
// The name under which the file `path` names was read, or null (also when
// `path` names no file yet).
const char *MM_readAs(const mmctx *ctx, const char *path);
void MM_forgetReads(mmctx *ctx);
// True when both names exist and name the same regular file.
bool MM_sameFile(const char *a, const char *b);
