#include "store/context.h"

mmctx MM_ctx;
