#include "support/gdi_counted_extension.h"

#include <windows.h>

#include "extension_module.h"

std::vector<std::string> CountExtensionGdi() {
    return sim::StartGdiAccounting(sim::ExtensionModule());
}

::testing::AssertionResult NothingLeftBehind() {
    sim::GdiCounts counts = sim::CurrentGdiCounts();
    if (counts.Live() == 0 && counts.strays == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << sim::DescribeGdiCounts(counts);
}

::testing::AssertionResult HoldsBitmapsInMemoryDcs(long long objects) {
    sim::GdiCounts counts = sim::CurrentGdiCounts();
    if (counts.objects == objects && counts.memory_dcs == objects && counts.window_dcs == 0 &&
        counts.strays == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "expected " << objects << " bitmaps in as many memory DCs, have "
           << sim::DescribeGdiCounts(counts);
}
