#include "gen/wave.h"

int MMgen_wave(mmctx *, int, char *, int, char **) { return 0; }

int MMgen_slide(mmctx *, int, char *, int, char **) { return 0; }

int MMgen_swave(mmctx *, int, char *, int, char **) { return 0; }
