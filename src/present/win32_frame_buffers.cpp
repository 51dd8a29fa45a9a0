// Three DIB sections kept across frames, rebuilt only when the client size changes, and the
// wallpaper scaled into one of them once per size or settings change.
#include "present/frame_buffers.h"

#include "base/debug_line.h"
#include "base/ticks.h"
#include "frame/anchored_placement.h"
#include "frame/black_and_white.h"
#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"
#include "frame/picture_scale.h"
#include "frame/soften.h"
#include "frame/tile_fill.h"
#include "frame/wallpaper_image.h"
#include "keying/item_overlay.h"
#include "settings/project_settings.h"
#include "settings/settings_codec.h"

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

namespace {

// The picture at its own size, repeated from the anchored tile. Read at its own size when the
// loader kept it smaller; if that fails the kept copy is stretched to each tile instead.
void DrawTiles(FrameSurface& fitted, int width, int height, PixelRect tile) {
    const int tile_width = tile.right - tile.left;
    const int tile_height = tile.bottom - tile.top;
    EnsureWallpaperResolution(tile_width, tile_height);
    const WallpaperImage& image = g_wallpaper;
    if (image.pixels != nullptr && fitted.pixels != nullptr && image.stored_width == tile_width &&
        image.stored_height == tile_height) {
        GdiFlush();
        TilePicture(image.pixels, tile_width, tile_height, fitted.pixels, width, height,
                    TilePhase(tile.left, tile_width), TilePhase(tile.top, tile_height));
        return;
    }
    const int first_left = -TilePhase(tile.left, tile_width);
    const int first_top = -TilePhase(tile.top, tile_height);
    for (int top = first_top; top < height; top += tile_height) {
        for (int left = first_left; left < width; left += tile_width) {
            DrawPictureScaled(fitted.dc, fitted.pixels, width, height,
                              {left, top, left + tile_width, top + tile_height});
        }
    }
}

} // namespace

void FitWallpaper(int width, int height) {
    FrameSurface& fitted = g_frame_buffers.fitted;
    // Drawing at any other size would run the grey pass past the end of the surface.
    if (fitted.dc == nullptr || width != g_frame.width || height != g_frame.height) {
        return;
    }
    RECT whole = {0, 0, width, height};
    FillRect(fitted.dc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const ProjectSettings& s = g_current_settings;
    const Placement placement =
        PlaceAnchored(s.mode, s.anchor, width, height, g_wallpaper.width, g_wallpaper.height);
    // Tiles cover the whole surface; every other mode is where its one picture lies.
    g_frame.picture_rect = s.mode == FitMode::tile ? placement.shown : placement.placed;
    if (g_wallpaper.dc == nullptr) {
        return;
    }
    if (s.mode == FitMode::tile) {
        DrawTiles(fitted, width, height, placement.placed);
    } else {
        DrawPictureScaled(fitted.dc, fitted.pixels, width, height, placement.placed);
    }
    if (fitted.pixels == nullptr) {
        return;
    }
    // GDI may still be writing the DIB.
    GdiFlush();
    if (s.grayscale) {
        ConvertToGrey(fitted.pixels, width, height, placement.placed);
    }
    const int radius = SoftenRadius(FractionToPermille(s.blur), width, height);
    if (radius > 0 && !SoftenPixels(fitted.pixels, width, placement.shown, radius)) {
        DebugLine("Not enough memory to soften the wallpaper; shown sharp.\n");
    }
}
