#include "presentation_modes.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "arrange_paint.h"
#include "frame/memory_bitmap.h"
#include "presentation_probe.h"
#include "scene.h"

namespace sim {

namespace {

// Where client point (0, 0) lies in the persistent back buffer, and its spare size beyond.
constexpr int kBufferLeft = 24;
constexpr int kBufferTop = 12;
constexpr int kBufferSpare = 8;
constexpr int kStripRows = 32;
constexpr uint32_t kNeverPainted = 0xFF00FF;

PresentMode g_mode = PresentMode::kDirty;

struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* bits = nullptr;
    int width = 0;
    int height = 0;
};

Surface g_back_buffer;

void FreeSurface(Surface& surface) {
    ReleaseMemoryBitmap(surface.dc, surface.previous, surface.bitmap);
    surface = {};
}

// A 32-bit top-down DIB selected into a memory DC compatible with dc.
bool MakeSurface(HDC dc, int width, int height, Surface& surface) {
    MemoryBitmap made;
    if (CreateMemoryBitmap(dc, width, height, made) != MemoryBitmapStep::done) {
        surface = {};
        return false;
    }
    surface = {made.dc, made.bitmap, made.previous_object, made.pixels, width, height};
    return true;
}

// The whole client area from a fresh back buffer with one copy at (0, 0).
void PresentWhole(HWND window, HDC dc, int width, int height) {
    Surface fresh;
    if (!MakeSurface(dc, width, height, fresh)) {
        return;
    }
    GdiFlush();
    PaintArrange(CurrentScene(), fresh.bits, width, height);
    BitBlt(dc, 0, 0, width, height, fresh.dc, 0, 0, SRCCOPY);
    ProbePresentation(window, dc, fresh.bits, width, 0, 0, RECT{0, 0, width, height});
    FreeSurface(fresh);
}

bool EnsureBackBuffer(HDC dc, int width, int height) {
    const int buffer_width = width + kBufferLeft + kBufferSpare;
    const int buffer_height = height + kBufferTop + kBufferSpare;
    if (g_back_buffer.dc != nullptr && g_back_buffer.width == buffer_width &&
        g_back_buffer.height == buffer_height) {
        return true;
    }
    FreeSurface(g_back_buffer);
    if (!MakeSurface(dc, buffer_width, buffer_height, g_back_buffer)) {
        return false;
    }
    GdiFlush();
    std::fill_n(g_back_buffer.bits, static_cast<size_t>(buffer_width) * buffer_height,
                kNeverPainted);
    return true;
}

// Only the dirty rectangle of the back buffer gets the new paint; the rest keeps older ones.
void PaintDirty(const RECT& dirty, int width, int height) {
    std::vector<uint32_t> frame(static_cast<size_t>(width) * height);
    PaintArrange(CurrentScene(), frame.data(), width, height);
    GdiFlush();
    for (int y = dirty.top; y < dirty.bottom; ++y) {
        std::copy(frame.begin() + static_cast<ptrdiff_t>(y) * width + dirty.left,
                  frame.begin() + static_cast<ptrdiff_t>(y) * width + dirty.right,
                  g_back_buffer.bits +
                      static_cast<ptrdiff_t>(y + kBufferTop) * g_back_buffer.width + dirty.left +
                      kBufferLeft);
    }
}

void PresentRect(HWND window, HDC dc, const RECT& r) {
    BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, g_back_buffer.dc,
           r.left + kBufferLeft, r.top + kBufferTop, SRCCOPY);
    ProbePresentation(window, dc, g_back_buffer.bits, g_back_buffer.width, kBufferLeft, kBufferTop,
                      r);
}

} // namespace

void SetPresentMode(PresentMode mode) {
    g_mode = mode;
}

PresentMode CurrentPresentMode() {
    return g_mode;
}

bool PresentModeFromName(const std::string& name, PresentMode& mode) {
    if (name == "whole") {
        mode = PresentMode::kWhole;
    } else if (name == "dirty") {
        mode = PresentMode::kDirty;
    } else if (name == "strips") {
        mode = PresentMode::kStrips;
    } else {
        return false;
    }
    return true;
}

void PaintAndPresent(HWND window, HDC dc, const RECT& dirty, int width, int height) {
    if (g_mode == PresentMode::kWhole) {
        PresentWhole(window, dc, width, height);
        return;
    }
    RECT clipped = {std::max<LONG>(dirty.left, 0), std::max<LONG>(dirty.top, 0),
                    std::min<LONG>(dirty.right, width), std::min<LONG>(dirty.bottom, height)};
    if (clipped.right <= clipped.left || clipped.bottom <= clipped.top ||
        !EnsureBackBuffer(dc, width, height)) {
        return;
    }
    PaintDirty(clipped, width, height);
    if (g_mode == PresentMode::kDirty) {
        PresentRect(window, dc, clipped);
        return;
    }
    for (LONG top = clipped.top; top < clipped.bottom; top += kStripRows) {
        PresentRect(window, dc,
                    RECT{clipped.left, top, clipped.right,
                         std::min<LONG>(top + kStripRows, clipped.bottom)});
    }
}

void ReleaseBackBuffer() {
    FreeSurface(g_back_buffer);
}

} // namespace sim
