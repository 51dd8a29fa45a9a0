#include "ui/preview_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

int RoundAtLeastOne(double value) {
    return std::max(static_cast<int>(std::lround(value)), 1);
}

} // namespace

PreviewSize PreviewPictureSize(uint32_t width, uint32_t height) {
    double scale = std::min(static_cast<double>(kPreviewMaxSide) / std::max(width, height), 1.0);
    return {RoundAtLeastOne(width * scale), RoundAtLeastOne(height * scale)};
}

PreviewRect PreviewArea(const PreviewRect& inner, int arrange_width, int arrange_height) {
    int w = inner.width;
    int h = inner.height;
    int pw = w;
    int ph = static_cast<int>(std::lround(static_cast<double>(w) * arrange_height / arrange_width));
    if (ph > h) {
        pw = static_cast<int>(std::lround(static_cast<double>(h) * arrange_width / arrange_height));
        ph = h;
    }
    pw = std::max(pw, 1);
    ph = std::max(ph, 1);
    return {inner.left + (w - pw) / 2, inner.top + (h - ph) / 2, pw, ph};
}

PreviewRect CoverSource(int picture_width, int picture_height, int area_width, int area_height) {
    double aspect = static_cast<double>(area_width) / area_height;
    if (static_cast<double>(picture_width) / picture_height > aspect) {
        int source_width = RoundAtLeastOne(picture_height * aspect);
        return {(picture_width - source_width) / 2, 0, source_width, picture_height};
    }
    int source_height = RoundAtLeastOne(picture_width / aspect);
    return {0, (picture_height - source_height) / 2, picture_width, source_height};
}

PreviewRect ContainDestination(const PreviewRect& area, int picture_width, int picture_height) {
    double scale = std::min(static_cast<double>(area.height) / picture_height,
                            static_cast<double>(area.width) / picture_width);
    int w = RoundAtLeastOne(scale * picture_width);
    int h = RoundAtLeastOne(scale * picture_height);
    return {area.left + (area.width - w) / 2, area.top + (area.height - h) / 2, w, h};
}

uint8_t OpacityAlpha(int position) {
    return static_cast<uint8_t>(std::lround(position * 255.0 / 1000.0));
}

uint32_t PreviewTextColour(uint32_t background) {
    uint32_t r = background & 0xFF;
    uint32_t g = (background >> 8) & 0xFF;
    uint32_t b = (background >> 16) & 0xFF;
    uint32_t lightness = (299 * r + 587 * g + 114 * b) / 1000;
    return lightness > 128 ? 0x191919 : 0xE6E6E6;
}
