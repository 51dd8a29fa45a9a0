#include "base/processor_features.h"

#include <algorithm>
#include <cstdlib>

#include "base/debug_line.h"

namespace {

constexpr const char* kPathNames[] = {"baseline", "avx2", "avx512"};

// What was decided, once per process.
struct PathChoice {
    ProcessorPath supported;
    ProcessorPath active;
    std::string requested; // the value of MURIVO_CPU; empty when unset
    bool understood;       // the value names a path
    ProcessorPath wanted;  // the path it names
};

ProcessorPath DetectSupportedPath() {
    __builtin_cpu_init();
    // libgcc sets these only where the operating system also saves the register state
    // (XGETBV: the 256-bit state for AVX2, the 512-bit and mask state for AVX-512).
    if (!__builtin_cpu_supports("avx2")) {
        return ProcessorPath::baseline;
    }
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vbmi")) {
        return ProcessorPath::avx512;
    }
    return ProcessorPath::avx2;
}

PathChoice Decide() {
    PathChoice c = {DetectSupportedPath(), ProcessorPath::baseline, {}, false, {}};
    c.active = c.supported;
    const char* value = std::getenv("MURIVO_CPU");
    if (value == nullptr || *value == '\0') {
        return c;
    }
    c.requested = std::string(value).substr(0, 32);
    for (int i = 0; i < 3; ++i) {
        if (c.requested == kPathNames[i]) {
            c.understood = true;
            c.wanted = ProcessorPath(i);
            c.active = std::min(c.supported, c.wanted);
        }
    }
    if (!c.understood) {
        DebugLinef("MURIVO_CPU=%s names no processor path (baseline, avx2, avx512); ignored.",
                   c.requested.c_str());
    }
    return c;
}

const PathChoice& Choice() {
    static const PathChoice choice = Decide(); // initialised once, thread-safe
    return choice;
}

} // namespace

ProcessorPath ActiveProcessorPath() {
    return Choice().active;
}

ProcessorPath SupportedProcessorPath() {
    return Choice().supported;
}

const char* ProcessorPathName(ProcessorPath path) {
    const int i = int(path);
    return i >= 0 && i < 3 ? kPathNames[i] : "unknown";
}

std::string ProcessorPathSummary() {
    const PathChoice& c = Choice();
    std::string line = std::string("processor path: ") + ProcessorPathName(c.active) +
                       " (supported: " + ProcessorPathName(c.supported) + "; ";
    if (c.requested.empty()) {
        line += "MURIVO_CPU not set)";
    } else if (!c.understood) {
        line += "MURIVO_CPU=" + c.requested + " not understood, ignored)";
    } else if (c.active != c.wanted) {
        line += "MURIVO_CPU=" + c.requested + " capped to what this processor has)";
    } else {
        line += "MURIVO_CPU=" + c.requested + ")";
    }
    return line;
}
