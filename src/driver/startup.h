// The compile start-up: error and message files, the script engine and its
// function table, the start-up script, context defaults, the main source.
#pragma once

struct mmctx;

int MM_startup();
// Sets the context's song settings and letter map to their start-up values.
void MM_contextDefaults(mmctx *ctx);
int MM_findZylFile(char *path);
