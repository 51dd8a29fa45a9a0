#include "ui/colour_model.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "settings/settings_codec.h"

namespace {

uint32_t Channel(uint32_t colour, int shift) {
    return (colour >> shift) & 0xFF;
}

uint32_t Pack(uint32_t red, uint32_t green, uint32_t blue) {
    return red | (green << 8) | (blue << 16);
}

// Pixels of the drawn areas are 0x00RRGGBB so their bytes read blue, green, red, 0.
uint32_t PixelOf(uint32_t colour) {
    return (Channel(colour, 0) << 16) | (Channel(colour, 8) << 8) | Channel(colour, 16);
}

uint32_t ToByte(double fraction) {
    double scaled = std::clamp(fraction * 255.0, 0.0, 255.0);
    return static_cast<uint32_t>(std::lround(scaled));
}

} // namespace

void RgbToHsv(uint32_t colour, Hsv& hsv) {
    double r = Channel(colour, 0) / 255.0;
    double g = Channel(colour, 8) / 255.0;
    double b = Channel(colour, 16) / 255.0;
    double max = std::max({r, g, b});
    double min = std::min({r, g, b});
    double delta = max - min;
    hsv.value = max;
    hsv.saturation = max == 0.0 ? 0.0 : delta / max;
    if (delta == 0.0) {
        return;
    }
    if (max == r) {
        hsv.hue = std::fmod((g - b) / delta + 6.0, 6.0) * 60.0;
    } else if (max == g) {
        hsv.hue = ((b - r) / delta + 2.0) * 60.0;
    } else {
        hsv.hue = ((r - g) / delta + 4.0) * 60.0;
    }
}

uint32_t HsvToRgb(double hue, double saturation, double value) {
    value = std::max(std::min(value, 1.0), 0.0);
    saturation = std::max(std::min(saturation, 1.0), 0.0);
    hue = std::max(std::min(hue, 359.999), 0.0);
    double c = value * saturation;
    double h = hue / 60.0;
    double x = (1.0 - std::fabs(std::fmod(h, 2.0) - 1.0)) * c;
    double m = value - c;
    double r = 0, g = 0, b = 0;
    if (h < 1) {
        r = c, g = x;
    } else if (h < 2) {
        r = x, g = c;
    } else if (h < 3) {
        g = c, b = x;
    } else if (h < 4) {
        g = x, b = c;
    } else if (h < 5) {
        r = x, b = c;
    } else {
        r = c, b = x;
    }
    return Pack(ToByte(m + r), ToByte(m + g), ToByte(m + b));
}

std::optional<uint32_t> ParseHexField(std::u16string_view text) {
    if (!text.empty() && text.front() == u'#') {
        text.remove_prefix(1);
    }
    std::string narrow;
    for (char16_t c : text) {
        if (c > 0x7F) {
            return std::nullopt;
        }
        narrow.push_back(static_cast<char>(c));
    }
    return ParseHexColour(narrow);
}

std::vector<uint32_t> RenderHueStrip(int width, int height) {
    if (width <= 1 || height <= 1) {
        return {};
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int i = 0; i < height; ++i) {
        uint32_t pixel = PixelOf(HsvToRgb(i * 359.0 / (height - 1), 1.0, 1.0));
        std::fill_n(pixels.begin() + static_cast<ptrdiff_t>(i) * width, width, pixel);
    }
    return pixels;
}

std::vector<uint32_t> RenderColourSquare(int width, int height, double hue) {
    if (width <= 1 || height <= 1) {
        return {};
    }
    uint32_t pure = HsvToRgb(hue, 1.0, 1.0);
    const int64_t hue_channel[3] = {Channel(pure, 0), Channel(pure, 8), Channel(pure, 16)};
    const int64_t d = static_cast<int64_t>(width - 1) * (height - 1);
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    for (int i = 0; i < height; ++i) {
        int64_t m = height - 1 - i;
        for (int j = 0; j < width; ++j) {
            uint32_t out[3];
            for (int k = 0; k < 3; ++k) {
                out[k] = static_cast<uint32_t>(
                    (((width - 1 - j) * int64_t{255} + j * hue_channel[k]) * m + d / 2) / d);
            }
            pixels[static_cast<size_t>(i) * width + j] = PixelOf(Pack(out[0], out[1], out[2]));
        }
    }
    return pixels;
}

int HueStripMarkerY(int height, double hue) {
    return std::min(static_cast<int>(std::lround((height - 1) * hue / 359.0)), height - 1);
}

int SquareMarkerX(int width, double saturation) {
    return static_cast<int>(std::lround((width - 1) * saturation));
}

int SquareMarkerY(int height, double value) {
    return static_cast<int>(std::lround((1.0 - value) * (height - 1)));
}
