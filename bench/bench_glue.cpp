// The core's diagnostics go nowhere in the benchmark binary.
#include "base/debug_line.h"

void DebugLine(const char*) {}
