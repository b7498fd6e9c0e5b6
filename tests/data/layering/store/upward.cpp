// Planted fault: the event store reaching up to the roof.
#include "driver/compile.h"
