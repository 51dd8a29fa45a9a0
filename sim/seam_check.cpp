#include "seam_check.h"

#include <cstdint>
#include <vector>

#include "host_windows.h"
#include "playback.h"
#include "presentation_modes.h"
#include "window_pixels.h"

namespace sim {

int CountSeams(HWND window) {
    FreezePlayback();
    if (window != nullptr) {
        UpdateWindow(window); // what is still invalid is painted the way the run paints
    }
    PumpMessages();
    std::vector<uint32_t> partial;
    std::vector<uint32_t> whole;
    int width = 0;
    int height = 0;
    if (!CaptureClientPixels(window, partial, width, height)) {
        return -1;
    }
    const PresentMode mode = CurrentPresentMode();
    SetPresentMode(PresentMode::kWhole);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    PumpMessages();
    SetPresentMode(mode);
    int whole_width = 0;
    int whole_height = 0;
    if (!CaptureClientPixels(window, whole, whole_width, whole_height) ||
        whole.size() != partial.size()) {
        return -1;
    }
    int differing = 0;
    for (size_t i = 0; i < whole.size(); ++i) {
        differing += whole[i] != partial[i] ? 1 : 0;
    }
    return differing;
}

int CountSeams() {
    return CountSeams(ArrangeWindow());
}

} // namespace sim
