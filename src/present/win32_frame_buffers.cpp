// Three DIB sections kept across frames, rebuilt only when the client size changes, and the
// wallpaper scaled into one of them once per size or settings change.
#include "present/frame_buffers.h"

#include <algorithm>

#include "base/debug_line.h"
#include "base/ticks.h"
#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"
#include "frame/wallpaper_image.h"
#include "keying/item_overlay.h"
#include "present/picture_fit.h"
#include "settings/project_settings.h"

FrameBuffers g_frame_buffers = {};

namespace {

// Out of memory for one size should not be retried on every paint.
constexpr uint32_t kFailedSizeBackoffMs = 1000;

bool CreateSurface(HDC reference, int width, int height, FrameSurface& surface) {
    MemoryBitmap made;
    if (CreateMemoryBitmap(reference, width, height, made) != MemoryBitmapStep::done) {
        return false;
    }
    surface = {made.bitmap, made.dc, made.previous_object, made.pixels};
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
    return CreateTopDownDib(reference, width, height, pixels);
}

namespace {

// The three surfaces at width x height, fitted left black or taken from fitted_made (cleared
// then); false with nothing left on failure (noted for the back-off), fitted_made untouched.
bool CreateSurfaces(HDC reference, int width, int height, MemoryBitmap* fitted_made = nullptr) {
    FrameBuffers& buffers = g_frame_buffers;
    ReleaseFrameBuffers();
    auto make_fitted = [&] {
        if (fitted_made == nullptr) {
            return CreateSurface(reference, width, height, buffers.fitted);
        }
        buffers.fitted = {fitted_made->bitmap, fitted_made->dc, fitted_made->previous_object,
                          fitted_made->pixels};
        *fitted_made = {};
        return true;
    };
    if (width > 0 && height > 0) {
        if (CreateSurface(reference, width, height, buffers.working) &&
            CreateSurface(reference, width, height, buffers.last_frame) && make_fitted()) {
            g_frame.working = buffers.working.pixels;
            g_frame.fitted = buffers.fitted.pixels;
            g_frame.last_frame = buffers.last_frame.pixels;
            g_frame.width = width;
            g_frame.height = height;
            g_frame.last_frame_valid = false;
            DebugLine("V4 persistent buffers created.\n");
            return true;
        }
        ReleaseFrameBuffers();
    }
    buffers.failed_width = width;
    buffers.failed_height = height;
    buffers.failed_tick = GetTickCount();
    return false;
}

// rect of a from_width x from_height surface where it lies once the surface is stretched to
// to_width x to_height.
PixelRect ScaledRect(PixelRect rect, int from_width, int from_height, int to_width, int to_height) {
    auto scale = [](int at, int from, int to) {
        return static_cast<int>(int64_t(at) * to / std::max(from, 1));
    };
    return {scale(rect.left, from_width, to_width), scale(rect.top, from_height, to_height),
            scale(rect.right, from_width, to_width), scale(rect.bottom, from_height, to_height)};
}

} // namespace

bool EnsureFrameBuffers(HDC reference, int width, int height) {
    FrameBuffers& buffers = g_frame_buffers;
    // The path of every frame: no allocation, no system call.
    if (SurfacesExist(buffers) && g_frame.width == width && g_frame.height == height) {
        return true;
    }
    if (width == buffers.failed_width && height == buffers.failed_height &&
        TicksSince(GetTickCount(), buffers.failed_tick) < kFailedSizeBackoffMs) {
        return false;
    }
    // A view that was showing the picture at another size keeps it, stretched, until the picture
    // thread has fitted it afresh: a fit takes longer than a frame may.
    FrameSurface previous = {};
    const int previous_width = g_frame.width;
    const int previous_height = g_frame.height;
    const PixelRect previous_rect = g_frame.picture_rect;
    if (SurfacesExist(buffers) && IsWallpaperLoaded()) {
        previous = buffers.fitted;
        buffers.fitted = {};
    }
    if (!CreateSurfaces(reference, width, height)) {
        ReleaseSurface(previous);
        return false;
    }
    if (previous.dc == nullptr) {
        FitWallpaper(width, height);
        return true;
    }
    SetStretchBltMode(buffers.fitted.dc, COLORONCOLOR);
    StretchBlt(buffers.fitted.dc, 0, 0, width, height, previous.dc, 0, 0, previous_width,
               previous_height, SRCCOPY);
    GdiFlush();
    ReleaseSurface(previous);
    g_frame.picture_rect =
        ScaledRect(previous_rect, previous_width, previous_height, width, height);
    buffers.refit_wanted = true;
    return true;
}

void ReleaseFrameBuffers() {
    FrameBuffers& buffers = g_frame_buffers;
    ReleaseSurface(buffers.working);
    ReleaseSurface(buffers.fitted);
    ReleaseSurface(buffers.last_frame);
    // failed_tick stays: only the size is forgotten.
    buffers.failed_width = 0;
    buffers.failed_height = 0;
    buffers.refit_wanted = false;
    g_frame = {};
    ResetItemOverlay();
}

void FitWallpaper(int width, int height) {
    FrameSurface& fitted = g_frame_buffers.fitted;
    // Drawing at any other size would run the grey pass past the end of the surface.
    if (fitted.dc == nullptr || width != g_frame.width || height != g_frame.height) {
        return;
    }
    const WallpaperImage& image = ShownPicture();
    const FitInputs fit = FitInputsFor(g_current_settings, width, height);
    g_frame.picture_rect = FitPicture(image, fit, fitted.dc, fitted.pixels);
    const PictureSize wanted = DetailWantedFor(image, fit);
    // A kept copy too small for this fit is read again larger in the background.
    g_frame_buffers.refit_wanted = !PictureHasDetailFor(image, wanted.width, wanted.height);
}

bool AdoptFittedSurface(MemoryBitmap& made, int width, int height, PixelRect picture_rect) {
    const bool exist = SurfacesExist(g_frame_buffers);
    if (exist && (g_frame.width != width || g_frame.height != height)) {
        return false;
    }
    // Before the first frame: made at the view's size around it, so the frame finds its
    // surfaces ready (and no blank fitted surface is made only to be thrown away).
    if (!exist) {
        if (!CreateSurfaces(nullptr, width, height, &made)) {
            return false;
        }
        g_frame.picture_rect = picture_rect;
        g_frame_buffers.refit_wanted = false;
        return true;
    }
    FrameSurface& fitted = g_frame_buffers.fitted;
    const MemoryBitmap previous = {fitted.bitmap, fitted.dc, fitted.previous_object, fitted.pixels};
    fitted = {made.bitmap, made.dc, made.previous_object, made.pixels};
    made = previous;
    g_frame.fitted = fitted.pixels;
    g_frame.picture_rect = picture_rect;
    g_frame_buffers.refit_wanted = false;
    return true;
}
