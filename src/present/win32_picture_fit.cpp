#include "present/picture_fit.h"

#include "base/debug_line.h"
#include "frame/anchored_placement.h"
#include "frame/black_and_white.h"
#include "frame/picture_scale.h"
#include "frame/soften.h"
#include "frame/tile_fill.h"
#include "settings/settings_codec.h"

namespace {

// The picture at its own size, repeated from the anchored tile; when the kept copy is smaller
// than the picture, it is stretched to each tile instead.
void DrawTiles(const WallpaperImage& image, HDC dc, uint32_t* pixels, int width, int height,
               PixelRect tile) {
    const int tile_width = tile.right - tile.left;
    const int tile_height = tile.bottom - tile.top;
    if (image.pixels != nullptr && pixels != nullptr && image.stored_width == tile_width &&
        image.stored_height == tile_height) {
        GdiFlush();
        TilePicture(image.pixels, tile_width, tile_height, pixels, width, height,
                    TilePhase(tile.left, tile_width), TilePhase(tile.top, tile_height));
        return;
    }
    const int first_left = -TilePhase(tile.left, tile_width);
    const int first_top = -TilePhase(tile.top, tile_height);
    for (int top = first_top; top < height; top += tile_height) {
        for (int left = first_left; left < width; left += tile_width) {
            DrawPictureScaled(image, dc, pixels, width, height,
                              {left, top, left + tile_width, top + tile_height});
        }
    }
}

} // namespace

bool operator==(const FitInputs& a, const FitInputs& b) {
    return a.width == b.width && a.height == b.height && a.mode == b.mode && a.anchor == b.anchor &&
           a.grayscale == b.grayscale && a.blur_permille == b.blur_permille;
}

FitInputs FitInputsFor(const ProjectSettings& settings, int width, int height) {
    return {width,
            height,
            settings.mode,
            settings.anchor,
            settings.grayscale,
            FractionToPermille(settings.blur)};
}

PictureSize DetailWantedFor(const WallpaperImage& image, const FitInputs& fit) {
    const Placement placement =
        PlaceAnchored(fit.mode, fit.anchor, fit.width, fit.height, image.width, image.height);
    return {placement.placed.right - placement.placed.left,
            placement.placed.bottom - placement.placed.top};
}

PixelRect FitPicture(const WallpaperImage& image, const FitInputs& fit, HDC dc, uint32_t* pixels) {
    const int width = fit.width;
    const int height = fit.height;
    RECT whole = {0, 0, width, height};
    FillRect(dc, &whole, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    const Placement placement =
        PlaceAnchored(fit.mode, fit.anchor, width, height, image.width, image.height);
    // Tiles cover the whole surface; every other mode is where its one picture lies.
    const PixelRect picture_rect = fit.mode == FitMode::tile ? placement.shown : placement.placed;
    if (image.dc == nullptr) {
        return picture_rect;
    }
    if (fit.mode == FitMode::tile) {
        DrawTiles(image, dc, pixels, width, height, placement.placed);
    } else {
        DrawPictureScaled(image, dc, pixels, width, height, placement.placed);
    }
    if (pixels == nullptr) {
        return picture_rect;
    }
    // GDI may still be writing the DIB.
    GdiFlush();
    if (fit.grayscale) {
        ConvertToGrey(pixels, width, height, placement.placed);
    }
    const int radius = SoftenRadius(fit.blur_permille, width, height);
    if (radius > 0 && !SoftenPixels(pixels, width, placement.shown, radius)) {
        DebugLine("Not enough memory to soften the wallpaper; shown sharp.\n");
    }
    return picture_rect;
}
