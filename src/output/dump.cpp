#include "output/dump.h"

void MM_dumpListing(mmctx *) {}
