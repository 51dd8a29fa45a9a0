#include "presentation_modes.h"

#include <algorithm>
#include <map>
#include <vector>

#include "frame/memory_bitmap.h"
#include "ui_stall.h"

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

std::map<HWND, Surface> g_back_buffers;

// What one paint draws with, and how its copies are probed.
struct Paint {
    HWND window;
    HDC dc;
    ViewPainter painter;
    ProbedView view;
};

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
void PresentWhole(const Paint& paint, int width, int height) {
    Surface fresh;
    if (!MakeSurface(paint.dc, width, height, fresh)) {
        return;
    }
    GdiFlush();
    paint.painter(paint.window, fresh.bits, width, height);
    BitBlt(paint.dc, 0, 0, width, height, fresh.dc, 0, 0, SRCCOPY);
    ProbePresentation(paint.view, paint.window, paint.dc, fresh.bits, width, 0, 0,
                      RECT{0, 0, width, height});
    FreeSurface(fresh);
}

Surface* EnsureBackBuffer(const Paint& paint, int width, int height) {
    const int buffer_width = width + kBufferLeft + kBufferSpare;
    const int buffer_height = height + kBufferTop + kBufferSpare;
    Surface& buffer = g_back_buffers[paint.window];
    if (buffer.dc != nullptr && buffer.width == buffer_width && buffer.height == buffer_height) {
        return &buffer;
    }
    FreeSurface(buffer);
    if (!MakeSurface(paint.dc, buffer_width, buffer_height, buffer)) {
        g_back_buffers.erase(paint.window);
        return nullptr;
    }
    GdiFlush();
    std::fill_n(buffer.bits, static_cast<size_t>(buffer_width) * buffer_height, kNeverPainted);
    return &buffer;
}

// Only the dirty rectangle of the back buffer gets the new paint; the rest keeps older ones.
void PaintDirty(const Paint& paint, Surface& buffer, const RECT& dirty, int width, int height) {
    std::vector<uint32_t> frame(static_cast<size_t>(width) * height);
    paint.painter(paint.window, frame.data(), width, height);
    GdiFlush();
    for (int y = dirty.top; y < dirty.bottom; ++y) {
        std::copy(frame.begin() + static_cast<ptrdiff_t>(y) * width + dirty.left,
                  frame.begin() + static_cast<ptrdiff_t>(y) * width + dirty.right,
                  buffer.bits + static_cast<ptrdiff_t>(y + kBufferTop) * buffer.width + dirty.left +
                      kBufferLeft);
    }
}

void PresentRect(const Paint& paint, const Surface& buffer, const RECT& r) {
    BitBlt(paint.dc, r.left, r.top, r.right - r.left, r.bottom - r.top, buffer.dc,
           r.left + kBufferLeft, r.top + kBufferTop, SRCCOPY);
    ProbePresentation(paint.view, paint.window, paint.dc, buffer.bits, buffer.width, kBufferLeft,
                      kBufferTop, r);
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

void PaintAndPresent(HWND window, HDC dc, const RECT& dirty, int width, int height,
                     ViewPainter painter, ProbedView view) {
    const Paint paint = {window, dc, painter, view};
    if (g_mode == PresentMode::kWhole) {
        PresentWhole(paint, width, height);
        return;
    }
    RECT clipped = {std::max<LONG>(dirty.left, 0), std::max<LONG>(dirty.top, 0),
                    std::min<LONG>(dirty.right, width), std::min<LONG>(dirty.bottom, height)};
    if (clipped.right <= clipped.left || clipped.bottom <= clipped.top) {
        return;
    }
    Surface* buffer = EnsureBackBuffer(paint, width, height);
    if (buffer == nullptr) {
        return;
    }
    PaintDirty(paint, *buffer, clipped, width, height);
    if (g_mode == PresentMode::kDirty) {
        PresentRect(paint, *buffer, clipped);
        return;
    }
    for (LONG top = clipped.top; top < clipped.bottom; top += kStripRows) {
        PresentRect(paint, *buffer,
                    RECT{clipped.left, top, clipped.right,
                         std::min<LONG>(top + kStripRows, clipped.bottom)});
    }
}

// Presented through this executable's own BitBlt import, so a hook on its import table sees
// every copy. Timed as the host's painting: the extension's keying in the hooked copy is the
// frame the host draws anyway, not time it holds the interface thread for.
bool PaintWindow(HWND window, ViewPainter painter, ProbedView view) {
    HostPaintTiming timing;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) {
        return false;
    }
    RECT client = {};
    GetClientRect(window, &client);
    int width = client.right - client.left;
    int height = client.bottom - client.top;
    if (width > 0 && height > 0) {
        PaintAndPresent(window, dc, paint.rcPaint, width, height, painter, view);
    }
    EndPaint(window, &paint);
    return true;
}

void ReleaseBackBuffer(HWND window) {
    auto found = g_back_buffers.find(window);
    if (found != g_back_buffers.end()) {
        FreeSurface(found->second);
        g_back_buffers.erase(found);
    }
}

void ReleaseBackBuffers() {
    for (auto& [window, buffer] : g_back_buffers) {
        FreeSurface(buffer);
    }
    g_back_buffers.clear();
}

} // namespace sim
