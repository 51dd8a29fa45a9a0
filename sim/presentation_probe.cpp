#include "presentation_probe.h"

#include <vector>

#include "theme.h"

namespace sim {

namespace {

// Probe points sit on a grid of this many columns and rows across the client area.
constexpr int kGridColumns = 12;
constexpr int kGridRows = 8;
constexpr const char* kBackgroundKeys[] = {"col_arrangebg", "col_tr1_bg", "col_tr2_bg",
                                           "selcol_tr1_bg", "selcol_tr2_bg"};

bool g_running = false;
PresentationTally g_tally = {};

struct Probe {
    int x;
    int y;
    uint32_t host_pixel; // 0x00RRGGBB
};

uint32_t PixelFromColourRef(COLORREF colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

bool IsBackground(uint32_t pixel) {
    for (const char* key : kBackgroundKeys) {
        int colour = ThemeColour(key);
        if (colour >= 0 && PixelFromColourRef(static_cast<COLORREF>(colour)) == pixel) {
            return true;
        }
    }
    return false;
}

// A background pixel whose eight neighbours have its colour: away from grid lines, items and
// their margins, where the wallpaper is always blended in.
bool IsInsideBackground(const uint32_t* pixels, int width, int height, int x, int y) {
    if (x < 1 || y < 1 || x >= width - 1 || y >= height - 1) {
        return false;
    }
    uint32_t centre = pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if ((pixels[static_cast<size_t>(y + dy) * width + x + dx] & 0xFFFFFFu) != centre) {
                return false;
            }
        }
    }
    return IsBackground(centre);
}

std::vector<Probe> ChooseProbes(const uint32_t* pixels, int width, int height) {
    std::vector<Probe> probes;
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            int x = (2 * column + 1) * width / (2 * kGridColumns);
            int y = (2 * row + 1) * height / (2 * kGridRows);
            if (IsInsideBackground(pixels, width, height, x, y)) {
                probes.push_back({x, y, pixels[static_cast<size_t>(y) * width + x] & 0xFFFFFFu});
            }
        }
    }
    return probes;
}

} // namespace

void StartPresentationTally() {
    g_tally = {};
    g_running = true;
}

void StopPresentationTally() {
    g_running = false;
}

bool PresentationTallyRunning() {
    return g_running;
}

PresentationTally CurrentPresentationTally() {
    return g_tally;
}

void ProbePresentation(HWND window, const uint32_t* back_buffer, int width, int height) {
    if (!g_running || back_buffer == nullptr || width <= 0 || height <= 0) {
        return;
    }
    GdiFlush(); // the back buffer is a DIB that GDI may still be reading
    std::vector<Probe> probes = ChooseProbes(back_buffer, width, height);
    if (probes.empty()) {
        return;
    }
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return;
    }
    bool corrected = true;
    for (const Probe& probe : probes) {
        COLORREF shown = GetPixel(dc, probe.x, probe.y);
        if (shown == CLR_INVALID || PixelFromColourRef(shown) == probe.host_pixel) {
            corrected = false;
            break;
        }
    }
    ReleaseDC(window, dc);
    ++g_tally.presentations;
    g_tally.uncorrected += corrected ? 0 : 1;
}

} // namespace sim
