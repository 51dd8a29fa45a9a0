// The core's diagnostics go nowhere in the benchmark binary; its thread glue is the native
// tests' (tests/native/support/native_thread_traits.cpp).
#include "base/debug_line.h"

void DebugLine(const char*) {}
