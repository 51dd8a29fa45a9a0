#include "frame/picture_scale.h"

#include <new>

#include "frame/area_scale.h"
#include "frame/wallpaper_image.h"

namespace {

void StretchWithGdi(HDC dc, PixelRect placed) {
    const WallpaperImage& image = g_wallpaper;
    SetStretchBltMode(dc, HALFTONE);
    // HALFTONE needs the brush origin reset after the mode is set.
    SetBrushOrgEx(dc, 0, 0, nullptr);
    // Whatever lies outside the surface is clipped by GDI.
    StretchBlt(dc, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top,
               image.dc, 0, 0, image.stored_width, image.stored_height, SRCCOPY);
}

} // namespace

void DrawPictureScaled(HDC dc, uint32_t* pixels, int width, int height, PixelRect placed) {
    // A kept reduced picture smaller than this placement is read again at a size that has it.
    EnsureWallpaperResolution(placed.right - placed.left, placed.bottom - placed.top);
    const WallpaperImage& image = g_wallpaper;
    const bool reduction = placed.right - placed.left <= image.stored_width &&
                           placed.bottom - placed.top <= image.stored_height;
    if (!reduction || image.pixels == nullptr || pixels == nullptr) {
        StretchWithGdi(dc, placed);
        return;
    }
    // GDI may still be writing either bitmap.
    GdiFlush();
    try {
        AreaScaleInto({image.pixels, image.stored_width, image.stored_height, 0}, pixels, width,
                      height, placed);
    } catch (const std::bad_alloc&) {
        StretchWithGdi(dc, placed); // the scratch rows did not fit; GDI needs none
    }
}
