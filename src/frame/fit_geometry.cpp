#include "frame/fit_geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The scale is taken first and then multiplied, so a product a hair above a whole number grows
// by one pixel (1920 x 1000/1920 gives 1001); the surface clips the extra column.
int ScaledSide(int side, double scale) {
    double scaled = std::ceil(side * scale);
    // A sliver picture covering a tall view could exceed int; clamping keeps the cast defined.
    return scaled < static_cast<double>(INT_MAX) ? static_cast<int>(scaled) : INT_MAX;
}

} // namespace

PixelRect PlacePicture(FitMode mode, int surface_width, int surface_height, int image_width,
                       int image_height) {
    if (image_width <= 0 || image_height <= 0) {
        return {0, 0, 0, 0};
    }
    double sx = static_cast<double>(surface_width) / image_width;
    double sy = static_cast<double>(surface_height) / image_height;
    int dw = surface_width;
    int dh = surface_height;
    if (mode != FitMode::stretch) {
        double s = mode == FitMode::contain ? std::min(sy, sx) : std::max(sy, sx);
        dw = ScaledSide(image_width, s);
        dh = ScaledSide(image_height, s);
    }
    // Division truncates toward zero: a one-pixel overhang stays at left 0, not -1.
    int left = (surface_width - dw) / 2;
    int top = (surface_height - dh) / 2;
    return {left, top, left + dw, top + dh};
}

PixelRect ClipToSurface(PixelRect rect, int width, int height) {
    PixelRect clipped = {std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width),
                         std::min(rect.bottom, height)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) {
        return {0, 0, 0, 0};
    }
    return clipped;
}
