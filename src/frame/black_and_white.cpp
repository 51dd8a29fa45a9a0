#include "frame/black_and_white.h"

#include <cstddef>

#include "frame/fit_geometry.h"

void ConvertToGrey(uint32_t* pixels, int width, int height, PixelRect rect) {
    if (pixels == nullptr) {
        return;
    }
    PixelRect area = ClipToSurface(rect, width, height);
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int x = area.left; x < area.right; ++x) {
            uint32_t pixel = row[x];
            uint32_t grey = GreyOf(static_cast<uint8_t>(pixel >> 16),
                                   static_cast<uint8_t>(pixel >> 8), static_cast<uint8_t>(pixel));
            row[x] = (pixel & 0xFF000000u) | grey << 16 | grey << 8 | grey;
        }
    }
}
