// Placeholder: work files come with the event store.
#include "store/work.h"

void MMwork_remove(mmtrk *) {}
