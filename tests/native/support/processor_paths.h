// The processor paths a test may run here: baseline up to the path in use (the best this
// processor has, unless MURIVO_CPU lowers it), for tests that compare the paths' output.
#pragma once

#include <vector>

#include "base/processor_features.h"

inline std::vector<ProcessorPath> PathsUpToActive() {
    std::vector<ProcessorPath> paths;
    for (int p = 0; p <= int(ActiveProcessorPath()); ++p) {
        paths.push_back(ProcessorPath(p));
    }
    return paths;
}
