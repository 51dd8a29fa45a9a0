#include "seam_check.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "host_windows.h"
#include "playback.h"
#include "presentation_modes.h"

namespace sim {

int CountSeams() {
    FreezePlayback();
    if (HWND arrange = ArrangeWindow()) {
        UpdateWindow(arrange); // what is still invalid is painted the way the run paints
    }
    PumpMessages();
    std::vector<uint32_t> partial;
    std::vector<uint32_t> whole;
    int width = 0;
    int height = 0;
    if (!CaptureArrange(partial, width, height)) {
        return -1;
    }
    const PresentMode mode = CurrentPresentMode();
    SetPresentMode(PresentMode::kWhole);
    RedrawArrange();
    PumpMessages();
    SetPresentMode(mode);
    int whole_width = 0;
    int whole_height = 0;
    if (!CaptureArrange(whole, whole_width, whole_height) || whole.size() != partial.size()) {
        return -1;
    }
    int differing = 0;
    for (size_t i = 0; i < whole.size(); ++i) {
        differing += whole[i] != partial[i] ? 1 : 0;
    }
    return differing;
}

} // namespace sim
