// Three DIB sections kept across frames, rebuilt only when the client size changes, and the
// wallpaper scaled into one of them once per size or settings change.
#include "frame/frame_buffers.h"

#include "frame/black_and_white.h"
#include "frame/fit_geometry.h"
#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"
#include "frame/wallpaper_image.h"
#include "host/debug_line.h"
#include "host/ticks.h"
#include "keying/item_overlay.h"
#include "settings/project_settings.h"

FrameBuffers g_frame_buffers = {};

namespace {

// Out of memory for one size should not be retried on every paint.
constexpr uint32_t kFailedSizeBackoffMs = 1000;

bool CreateSurface(HDC reference, int width, int height, FrameSurface& surface) {
    // Stored before testing, so a DIB without memory is freed by the release.
    surface.bitmap = CreateFrameDib(reference, width, height, &surface.pixels);
    if (surface.bitmap == nullptr || surface.pixels == nullptr) {
        return false;
    }
    surface.dc = CreateCompatibleDC(reference);
    if (surface.dc == nullptr) {
        return false;
    }
    HGDIOBJ previous = SelectObject(surface.dc, surface.bitmap);
    if (previous == nullptr || previous == HGDI_ERROR) {
        return false; // a DC without its bitmap draws nowhere
    }
    surface.previous_object = previous;
    return true;
}

void ReleaseSurface(FrameSurface& surface) {
    ReleaseMemoryBitmap(surface.dc, surface.previous_object, surface.bitmap);
    surface.pixels = nullptr;
}

bool SurfacesExist(const FrameBuffers& buffers) {
    return buffers.working.dc != nullptr && buffers.working.pixels != nullptr &&
           buffers.fitted.dc != nullptr && buffers.fitted.pixels != nullptr &&
           buffers.last_frame.dc != nullptr && buffers.last_frame.pixels != nullptr;
}

} // namespace

HBITMAP CreateFrameDib(HDC reference, int width, int height, uint32_t** pixels) {
    void* memory = nullptr;
    HBITMAP bitmap = CreateTopDownDib(reference, width, height, &memory);
    *pixels = static_cast<uint32_t*>(memory);
    return bitmap;
}

bool EnsureFrameBuffers(HDC reference, int width, int height) {
    FrameBuffers& buffers = g_frame_buffers;
    // The path of every frame: no allocation, no system call.
    if (SurfacesExist(buffers) && g_frame.width == width && g_frame.height == height) {
        return true;
    }
    uint32_t now = GetTickCount();
    if (width == buffers.failed_width && height == buffers.failed_height &&
        TicksSince(now, buffers.failed_tick) < kFailedSizeBackoffMs) {
        return false;
    }
    ReleaseFrameBuffers();
    if (width > 0 && height > 0) {
        if (CreateSurface(reference, width, height, buffers.working) &&
            CreateSurface(reference, width, height, buffers.fitted) &&
            CreateSurface(reference, width, height, buffers.last_frame)) {
            g_frame.working = buffers.working.pixels;
            g_frame.fitted = buffers.fitted.pixels;
            g_frame.last_frame = buffers.last_frame.pixels;
            g_frame.width = width;
            g_frame.height = height;
            FitWallpaper(width, height);
            g_frame.last_frame_valid = false;
            DebugLine("V4 persistent buffers created.\n");
            return true;
        }
        ReleaseFrameBuffers();
    }
    buffers.failed_width = width;
    buffers.failed_height = height;
    buffers.failed_tick = now;
    return false;
}

void ReleaseFrameBuffers() {
    FrameBuffers& buffers = g_frame_buffers;
    ReleaseSurface(buffers.working);
    ReleaseSurface(buffers.fitted);
    ReleaseSurface(buffers.last_frame);
    // failed_tick stays: only the size is forgotten.
    buffers.failed_width = 0;
    buffers.failed_height = 0;
    g_frame = {};
    ResetItemOverlay();
}

void FitWallpaper(int width, int height) {
    FrameSurface& fitted = g_frame_buffers.fitted;
    // Drawing at any other size would run the grey pass past the end of the surface.
    if (fitted.dc == nullptr || width != g_frame.width || height != g_frame.height) {
        return;
    }
    RECT whole = {0, 0, width, height};
    FillRect(fitted.dc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const WallpaperImage& image = g_wallpaper;
    g_frame.picture_rect =
        PlacePicture(g_current_settings.mode, width, height, image.width, image.height);
    if (image.dc == nullptr) {
        return;
    }
    PixelRect placed = g_frame.picture_rect;
    SetStretchBltMode(fitted.dc, HALFTONE);
    // HALFTONE needs the brush origin reset after the mode is set.
    SetBrushOrgEx(fitted.dc, 0, 0, nullptr);
    // Whatever lies outside the surface is clipped by GDI.
    StretchBlt(fitted.dc, placed.left, placed.top, placed.right - placed.left,
               placed.bottom - placed.top, image.dc, 0, 0, image.width, image.height, SRCCOPY);
    if (g_current_settings.grayscale && fitted.pixels != nullptr) {
        // GDI may still be writing the DIB.
        GdiFlush();
        ConvertToGrey(fitted.pixels, width, height, placed);
    }
}
