#include "frame/picture_scale.h"

#include <new>

#include "frame/area_scale.h"
#include "frame/memory_bitmap.h"

namespace {

void StretchWithGdi(const WallpaperImage& image, HDC dc, PixelRect placed) {
    SetStretchBltMode(dc, HALFTONE);
    // HALFTONE needs the brush origin reset after the mode is set.
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const BITMAPINFO info = TopDownDibInfo(image.stored_width, image.stored_height);
    // Whatever lies outside the surface is clipped by GDI.
    StretchDIBits(dc, placed.left, placed.top, placed.right - placed.left,
                  placed.bottom - placed.top, 0, 0, image.stored_width, image.stored_height,
                  image.pixels, &info, DIB_RGB_COLORS, SRCCOPY);
}

} // namespace

void DrawPictureScaled(const WallpaperImage& image, HDC dc, uint32_t* pixels, int width, int height,
                       PixelRect placed) {
    if (image.pixels == nullptr) {
        return;
    }
    const bool reduction = placed.right - placed.left <= image.stored_width &&
                           placed.bottom - placed.top <= image.stored_height;
    if (!reduction || pixels == nullptr) {
        StretchWithGdi(image, dc, placed);
        return;
    }
    // GDI may still be writing the surface.
    GdiFlush();
    try {
        AreaScaleInto({image.pixels, image.stored_width, image.stored_height, 0}, pixels, width,
                      height, placed);
    } catch (const std::bad_alloc&) {
        StretchWithGdi(image, dc, placed); // the scratch rows did not fit; GDI needs none
    }
}
