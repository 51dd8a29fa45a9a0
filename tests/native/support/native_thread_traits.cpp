// The thread glue of native programs (the tests and the benchmark): the logical processors stand
// in for cores, threads keep the system's defaults, and a native program has no module to pin.
#include <algorithm>
#include <thread>

#include "base/module_pin.h"
#include "base/thread_traits.h"

int ProcessorCoreCount() {
    return std::max(1, int(std::thread::hardware_concurrency()));
}

int CallingThreadPriority() {
    return 0;
}

void BecomeFrameWorker(int, int) {}

void PinOwnModule() {}
