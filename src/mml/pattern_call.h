// `*(name)`: plays every line of a pattern into the part, all from the
// clock where the call stands.
#pragma once
#include "base/context.h"

struct mmpart;

int MMpat_call(mmctx *ctx, mmpart *part, const char **cursor);
