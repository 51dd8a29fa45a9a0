// The core's diagnostics go nowhere in the benchmark binary.
#include "host/debug_line.h"

void DebugLine(const char*) {}
