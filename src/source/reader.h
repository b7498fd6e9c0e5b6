// The stack of open source files and the logical-line reader.
#pragma once
#include <cstdio>
#include "base/context.h"

int MMcpp_open(mmctx *ctx, const char *name);
int MMcpp_push(mmctx *ctx, const char *name);
// The next expanded line, or null at the end of the source (no pending
// message) or on an error (pending message set).
char *MMcpp_getLine(mmctx *ctx);
void MMcpp_closeAll(mmctx *ctx);
// Opens `name`, else the same name beside the main source file.
extern "C" FILE *MM_fopen(mmctx *ctx, const char *name, const char *mode);
