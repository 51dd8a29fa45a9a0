// The black-and-white conversion shared by the fitted wallpaper and the previews.
#pragma once

#include <cstdint>

#include "frame/frame_view.h"

// Luma weights that add up to 256, so white stays 255 and the shift needs no division.
constexpr uint8_t GreyOf(uint8_t red, uint8_t green, uint8_t blue) {
    return static_cast<uint8_t>((54 * red + 183 * green + 19 * blue + 128) >> 8);
}

// Turns the pixels of rect (clipped to the width x height surface) grey in place; the fourth
// byte of each pixel is kept.
void ConvertToGrey(uint32_t* pixels, int width, int height, PixelRect rect);
