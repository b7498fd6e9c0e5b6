// Part commands: `^(name, ...)` - key signatures and letter-map changes.
#pragma once
#include "base/context.h"

struct mmpart;

int MMmml_partCommand(mmctx *ctx, mmpart *part, const char **cursor);
