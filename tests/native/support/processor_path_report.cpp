// Prints, before the first test, the one line that names the processor path the kernels take
// (base/processor_features.h), so that every test log shows which path ran, e.g. under the
// MURIVO_CPU=baseline|avx2|avx512 runs CTest makes of the kernel tests. Linked into the native
// test executable and the Windows ones alike.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/processor_features.h"

namespace {

class ProcessorPathReport : public testing::Environment {
  public:
    void SetUp() override {
        std::printf("murivo: %s\n", ProcessorPathSummary().c_str());
        std::fflush(stdout);
    }
};

[[maybe_unused]] testing::Environment* const g_report =
    testing::AddGlobalTestEnvironment(new ProcessorPathReport);

} // namespace
