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
#include "keying/theme_colours.h"
#include "present/arrange_target.h"
#include "present/picture_fit.h"
#include "settings/project_settings.h"

FrameBuffers g_frame_buffers = {};

ViewFrame ArrangeFrame() {
    return {&g_frame, &g_frame_buffers, &g_item_overlay, &g_theme, &g_target.present_count, false};
}

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
bool CreateSurfaces(const ViewFrame& view, HDC reference, int width, int height,
                    MemoryBitmap* fitted_made = nullptr) {
    FrameBuffers& buffers = *view.buffers;
    FrameView& frame = *view.frame;
    ReleaseFrameBuffers(view);
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
            frame.working = buffers.working.pixels;
            frame.fitted = buffers.fitted.pixels;
            frame.last_frame = buffers.last_frame.pixels;
            frame.width = width;
            frame.height = height;
            frame.last_frame_valid = false;
            if (!view.note_view) {
                DebugLine("V4 persistent buffers created.\n");
            }
            return true;
        }
        ReleaseFrameBuffers(view);
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

bool EnsureFrameBuffers(const ViewFrame& view, HDC reference, int width, int height) {
    FrameBuffers& buffers = *view.buffers;
    FrameView& frame = *view.frame;
    // The path of every frame: no allocation, no system call.
    if (SurfacesExist(buffers) && frame.width == width && frame.height == height) {
        return true;
    }
    if (width == buffers.failed_width && height == buffers.failed_height &&
        TicksSince(GetTickCount(), buffers.failed_tick) < kFailedSizeBackoffMs) {
        return false;
    }
    // A view that was showing the picture at another size keeps it, stretched, until the picture
    // thread has fitted it afresh: a fit takes longer than a frame may.
    FrameSurface previous = {};
    const int previous_width = frame.width;
    const int previous_height = frame.height;
    const PixelRect previous_rect = frame.picture_rect;
    if (SurfacesExist(buffers) && IsWallpaperLoaded() && !buffers.unfitted) {
        previous = buffers.fitted;
        buffers.fitted = {};
    }
    if (!CreateSurfaces(view, reference, width, height)) {
        ReleaseSurface(previous);
        return false;
    }
    if (previous.dc == nullptr) {
        if (view.note_view) {
            // Nothing keyed until the picture thread's fit arrives: a fit takes longer than a
            // frame of a view that opens while the host runs may.
            buffers.unfitted = true;
            buffers.refit_wanted = true;
            return true;
        }
        FitWallpaper(view, width, height);
        return true;
    }
    SetStretchBltMode(buffers.fitted.dc, COLORONCOLOR);
    StretchBlt(buffers.fitted.dc, 0, 0, width, height, previous.dc, 0, 0, previous_width,
               previous_height, SRCCOPY);
    GdiFlush();
    ReleaseSurface(previous);
    frame.picture_rect = ScaledRect(previous_rect, previous_width, previous_height, width, height);
    buffers.refit_wanted = true;
    return true;
}

void ReleaseFrameBuffers(const ViewFrame& view) {
    FrameBuffers& buffers = *view.buffers;
    ReleaseSurface(buffers.working);
    ReleaseSurface(buffers.fitted);
    ReleaseSurface(buffers.last_frame);
    // failed_tick stays: only the size is forgotten.
    buffers.failed_width = 0;
    buffers.failed_height = 0;
    buffers.refit_wanted = false;
    buffers.unfitted = false;
    *view.frame = {};
    ResetItemOverlay(*view.items);
}

void FitWallpaper(const ViewFrame& view, int width, int height) {
    FrameBuffers& buffers = *view.buffers;
    FrameView& frame = *view.frame;
    FrameSurface& fitted = buffers.fitted;
    // Drawing at any other size would run the grey pass past the end of the surface.
    if (fitted.dc == nullptr || width != frame.width || height != frame.height) {
        return;
    }
    const WallpaperImage& image = ShownPicture();
    const FitInputs fit = FitInputsFor(g_current_settings, width, height);
    frame.picture_rect = FitPicture(image, fit, fitted.dc, fitted.pixels);
    buffers.unfitted = false;
    const PictureSize wanted = DetailWantedFor(image, fit);
    // A kept copy too small for this fit is read again larger in the background.
    buffers.refit_wanted = !PictureHasDetailFor(image, wanted.width, wanted.height);
}

bool AdoptFittedSurface(const ViewFrame& view, MemoryBitmap& made, int width, int height,
                        PixelRect picture_rect) {
    FrameBuffers& buffers = *view.buffers;
    FrameView& frame = *view.frame;
    const bool exist = SurfacesExist(buffers);
    if (exist && (frame.width != width || frame.height != height)) {
        return false;
    }
    // Before the first frame: made at the view's size around it, so the frame finds its
    // surfaces ready (and no blank fitted surface is made only to be thrown away).
    if (!exist) {
        if (!CreateSurfaces(view, nullptr, width, height, &made)) {
            return false;
        }
        frame.picture_rect = picture_rect;
        buffers.refit_wanted = false;
        return true;
    }
    FrameSurface& fitted = buffers.fitted;
    const MemoryBitmap previous = {fitted.bitmap, fitted.dc, fitted.previous_object, fitted.pixels};
    fitted = {made.bitmap, made.dc, made.previous_object, made.pixels};
    made = previous;
    frame.fitted = fitted.pixels;
    frame.picture_rect = picture_rect;
    buffers.refit_wanted = false;
    buffers.unfitted = false;
    return true;
}
