// Drawing into 32-bit top-down pixels (0x00RRGGBB) in theme colours: what the arrange view's and
// the MIDI editor's painting share.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "theme.h"

namespace sim {

// Theme colours are 0x00BBGGRR; DIB pixels are 0x00RRGGBB.
uint32_t ToPixel(int colour);
// The theme's colour for key as a pixel, or fallback when the theme lacks it.
uint32_t ThemePixel(const char* key, uint32_t fallback);
// Each channel scaled to percent of itself.
uint32_t Darker(uint32_t pixel, int percent);

// One channel of a theme blend of colour over base: mode 0 normal, 1 add, 2 dodge,
// 3 multiply (others draw as normal), mixed in by alpha 0..1.
int BlendChannel(int base, int colour, int mode, double alpha);
uint32_t BlendPixel(uint32_t base, uint32_t colour, const BlendMode& blend);

struct Canvas {
    uint32_t* pixels;
    int width;
    int height;

    // Clips the rectangle to the canvas; false when no column is left.
    bool Clip(int& left, int& top, int& right, int& bottom) const {
        left = std::max(left, 0);
        top = std::max(top, 0);
        right = std::min(right, width);
        bottom = std::min(bottom, height);
        return right > left;
    }

    void Fill(int left, int top, int right, int bottom, uint32_t pixel) {
        if (!Clip(left, top, right, bottom)) {
            return;
        }
        for (int y = top; y < bottom; ++y) {
            std::fill(pixels + static_cast<ptrdiff_t>(y) * width + left,
                      pixels + static_cast<ptrdiff_t>(y) * width + right, pixel);
        }
    }

    void Blend(int left, int top, int right, int bottom, uint32_t colour, const BlendMode& mode) {
        if (!Clip(left, top, right, bottom)) {
            return;
        }
        for (int y = top; y < bottom; ++y) {
            uint32_t* row = pixels + static_cast<ptrdiff_t>(y) * width;
            for (int x = left; x < right; ++x) {
                row[x] = BlendPixel(row[x], colour, mode);
            }
        }
    }
};

} // namespace sim
