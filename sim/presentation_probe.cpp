#include "presentation_probe.h"

#include <vector>

#include "theme.h"

namespace sim {

namespace {

// Probe points sit on a grid of this many columns and rows across the client area.
constexpr int kGridColumns = 12;
constexpr int kGridRows = 8;
const std::vector<const char*> kArrangeBackgrounds = {"col_arrangebg", "col_tr1_bg", "col_tr2_bg",
                                                      "selcol_tr1_bg", "selcol_tr2_bg"};
// The note view's rows: inside and outside the item, and the selected pitch's.
const std::vector<const char*> kNoteBackgrounds = {"midi_trackbg1",       "midi_trackbg2",
                                                   "midi_trackbg_outer1", "midi_trackbg_outer2",
                                                   "midi_selpitch1",      "midi_selpitch2"};

bool g_running = false;
PresentationTally g_tallies[2] = {};

PresentationTally& TallyOf(ProbedView view) {
    return g_tallies[view == ProbedView::kNotes ? 1 : 0];
}

struct Probe {
    int x;
    int y;
    uint32_t host_pixel; // 0x00RRGGBB
};

uint32_t PixelFromColourRef(COLORREF colour) {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

bool IsBackground(const std::vector<const char*>& keys, uint32_t pixel) {
    for (const char* key : keys) {
        int colour = ThemeColour(key);
        if (colour >= 0 && PixelFromColourRef(static_cast<COLORREF>(colour)) == pixel) {
            return true;
        }
    }
    return false;
}

// The back buffer as the copy saw it, addressed in client coordinates.
struct CopiedPixels {
    const std::vector<const char*>& backgrounds;
    const uint32_t* pixels;
    int stride;
    int offset_x;
    int offset_y;

    uint32_t At(int x, int y) const {
        return pixels[static_cast<ptrdiff_t>(y + offset_y) * stride + x + offset_x] & 0xFFFFFFu;
    }
};

// A background pixel whose eight neighbours inside the copy have its colour: away from grid
// lines, items and their margins, where the wallpaper is always blended in.
bool IsInsideBackground(const CopiedPixels& copied, const RECT& target, int x, int y) {
    if (x < target.left + 1 || y < target.top + 1 || x >= target.right - 1 ||
        y >= target.bottom - 1) {
        return false;
    }
    uint32_t centre = copied.At(x, y);
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (copied.At(x + dx, y + dy) != centre) {
                return false;
            }
        }
    }
    return IsBackground(copied.backgrounds, centre);
}

// A grid across the copied rectangle; a narrow strip gets fewer distinct columns or rows.
std::vector<Probe> ChooseProbes(HDC paint_dc, const CopiedPixels& copied, const RECT& target) {
    std::vector<Probe> probes;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    int last_y = -1;
    for (int row = 0; row < kGridRows; ++row) {
        int y = target.top + (2 * row + 1) * height / (2 * kGridRows);
        if (y == last_y) {
            continue;
        }
        last_y = y;
        int last_x = -1;
        for (int column = 0; column < kGridColumns; ++column) {
            int x = target.left + (2 * column + 1) * width / (2 * kGridColumns);
            // Outside the update region the copy changes nothing on the screen.
            if (x != last_x && IsInsideBackground(copied, target, x, y) &&
                PtVisible(paint_dc, x, y)) {
                probes.push_back({x, y, copied.At(x, y)});
            }
            last_x = x;
        }
    }
    return probes;
}

} // namespace

void StartPresentationTally() {
    g_tallies[0] = {};
    g_tallies[1] = {};
    g_running = true;
}

void StopPresentationTally() {
    g_running = false;
}

bool PresentationTallyRunning() {
    return g_running;
}

PresentationTally CurrentPresentationTally(ProbedView view) {
    return TallyOf(view);
}

void ProbePresentation(ProbedView view, HWND window, HDC paint_dc, const uint32_t* back_buffer,
                       int stride, int offset_x, int offset_y, const RECT& target) {
    if (!g_running || back_buffer == nullptr || target.right <= target.left ||
        target.bottom <= target.top) {
        return;
    }
    GdiFlush(); // the back buffer is a DIB that GDI may still be reading
    const auto& backgrounds = view == ProbedView::kNotes ? kNoteBackgrounds : kArrangeBackgrounds;
    std::vector<Probe> probes =
        ChooseProbes(paint_dc, {backgrounds, back_buffer, stride, offset_x, offset_y}, target);
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
    ++TallyOf(view).presentations;
    TallyOf(view).uncorrected += corrected ? 0 : 1;
}

} // namespace sim
