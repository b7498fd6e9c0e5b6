// Tuplets: `{...}` fits the notes inside into one length.
#pragma once
#include "base/context.h"

struct mmpart;

int MMmml_tupletOpen(mmctx *ctx, mmpart *part, const char **cursor);
int MMmml_tupletClose(mmctx *ctx, mmpart *part, const char **cursor);
