#include "canvas.h"

#include <cmath>

namespace sim {

uint32_t ToPixel(int colour) {
    uint32_t c = static_cast<uint32_t>(colour);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

uint32_t ThemePixel(const char* key, uint32_t fallback) {
    int colour = ThemeColour(key);
    return colour >= 0 ? ToPixel(colour) : fallback;
}

uint32_t Darker(uint32_t pixel, int percent) {
    auto channel = [&](int shift) { return ((pixel >> shift) & 0xFF) * percent / 100; };
    return (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

int BlendChannel(int base, int colour, int mode, double alpha) {
    int target = colour;
    switch (mode) {
    case 1:
        target = std::min(base + colour, 255);
        break;
    case 2:
        target = colour >= 255 ? 255 : std::min(base * 256 / (256 - colour), 255);
        break;
    case 3:
        target = base * colour / 255;
        break;
    default:
        break;
    }
    return static_cast<int>(std::lround(base + (target - base) * alpha));
}

uint32_t BlendPixel(uint32_t base, uint32_t colour, const BlendMode& blend) {
    uint32_t out = 0;
    for (int shift : {16, 8, 0}) {
        int b = static_cast<int>((base >> shift) & 0xFF);
        int c = static_cast<int>((colour >> shift) & 0xFF);
        out |= static_cast<uint32_t>(BlendChannel(b, c, blend.mode, blend.alpha)) << shift;
    }
    return out;
}

} // namespace sim
