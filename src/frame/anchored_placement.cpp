#include "frame/anchored_placement.h"

#include "frame/fit_geometry.h"

namespace {

enum class Side { start, middle, end };

Side HorizontalSide(Anchor anchor) {
    switch (anchor) {
    case Anchor::top_left:
    case Anchor::left:
    case Anchor::bottom_left:
        return Side::start;
    case Anchor::top_right:
    case Anchor::right:
    case Anchor::bottom_right:
        return Side::end;
    default:
        return Side::middle;
    }
}

Side VerticalSide(Anchor anchor) {
    switch (anchor) {
    case Anchor::top_left:
    case Anchor::top:
    case Anchor::top_right:
        return Side::start;
    case Anchor::bottom_left:
    case Anchor::bottom:
    case Anchor::bottom_right:
        return Side::end;
    default:
        return Side::middle;
    }
}

// Start of an extent `length` long on a side `surface` long. The middle truncates toward zero,
// as the centred fit always has (a one-pixel overhang stays at 0).
int Start(Side side, int surface, int length) {
    switch (side) {
    case Side::start:
        return 0;
    case Side::end:
        return surface - length;
    case Side::middle:
        break;
    }
    return (surface - length) / 2;
}

} // namespace

Placement PlaceAnchored(FitMode mode, Anchor anchor, int surface_width, int surface_height,
                        int image_width, int image_height) {
    if (image_width <= 0 || image_height <= 0 || surface_width <= 0 || surface_height <= 0) {
        return {};
    }
    int width = image_width;
    int height = image_height;
    if (mode != FitMode::tile && mode != FitMode::center) {
        const PixelRect scaled =
            PlacePicture(mode, surface_width, surface_height, image_width, image_height);
        if (mode == FitMode::stretch) {
            return {scaled, ClipToSurface(scaled, surface_width, surface_height)};
        }
        width = scaled.right - scaled.left;
        height = scaled.bottom - scaled.top;
    }
    const int left = Start(HorizontalSide(anchor), surface_width, width);
    const int top = Start(VerticalSide(anchor), surface_height, height);
    const PixelRect placed = {left, top, left + width, top + height};
    if (mode == FitMode::tile) {
        return {placed, {0, 0, surface_width, surface_height}};
    }
    return {placed, ClipToSurface(placed, surface_width, surface_height)};
}

int TilePhase(int origin, int size) {
    if (size <= 0) {
        return 0;
    }
    const int phase = (-(origin % size)) % size;
    return phase < 0 ? phase + size : phase;
}
