#include "store/upward.h"
