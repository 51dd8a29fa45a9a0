#include "keying/theme_blend.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kNormal = 0;
constexpr int kAdd = 1;
constexpr int kDodge = 2;
constexpr int kMultiply = 3;

int BlendChannel(int base, int colour, int mode, double alpha) {
    int target = colour;
    switch (mode) {
    case kAdd:
        target = std::min(base + colour, 255);
        break;
    case kDodge:
        target = colour >= 255 ? 255 : std::min(base * 256 / (256 - colour), 255);
        break;
    case kMultiply:
        target = base * colour / 255;
        break;
    default: // normal, and modes this extension does not know, as the host draws them
        break;
    }
    return int(std::lround(base + (target - base) * alpha));
}

} // namespace

double DrawModeStrength(int32_t draw_mode) {
    if (draw_mode == -1) {
        return 1.0;
    }
    return std::clamp((int((uint32_t(draw_mode) >> 8) & 0x3FF) - 0x200) / 256.0, 0.0, 1.0);
}

int32_t BlendThemeColour(int32_t base, int32_t colour, int32_t draw_mode) {
    const int mode = draw_mode == -1 ? kNormal : int(uint32_t(draw_mode) & 0xFF);
    const double alpha = DrawModeStrength(draw_mode);
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const int b = int((uint32_t(base) >> shift) & 0xFF);
        const int c = int((uint32_t(colour) >> shift) & 0xFF);
        out |= uint32_t(std::clamp(BlendChannel(b, c, mode, alpha), 0, 255)) << shift;
    }
    return int32_t(out);
}
