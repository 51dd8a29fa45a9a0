// The core's diagnostics go nowhere in the benchmark binary; the frame workers keep the
// system's defaults, and the logical processors stand in for cores.
#include <algorithm>
#include <thread>

#include "base/debug_line.h"
#include "base/module_pin.h"
#include "base/thread_traits.h"

void DebugLine(const char*) {}

int ProcessorCoreCount() {
    return std::max(1, int(std::thread::hardware_concurrency()));
}

int CallingThreadPriority() {
    return 0;
}

void BecomeFrameWorker(int, int) {}

void PinOwnModule() {}
