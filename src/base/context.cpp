#include "base/context.h"

mmctx MM_ctx;
