// `@FILTER(kind, key:value, ...)`: sets one filter of the part's track.
#pragma once
#include "base/context.h"

struct mmpart;

int MMtcmd_filter(mmctx *ctx, mmpart *part, int argc, char **argv);
