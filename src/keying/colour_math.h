// Colour arithmetic shared by the classifier, the compositor and the item overlay. Theme colours
// are 0x00BBGGRR; captured pixels are 32-bit values with blue in the low byte.
#pragma once

#include <cstdint>

struct Rgb {
    int red;
    int green;
    int blue;
};

inline Rgb RgbFromTheme(uint32_t colour) {
    return {int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF)};
}

inline Rgb RgbFromPixel(uint32_t pixel) {
    return {int((pixel >> 16) & 0xFF), int((pixel >> 8) & 0xFF), int(pixel & 0xFF)};
}

// A pixel's colour in the theme's layout (red in the low byte).
inline uint32_t ThemeFromPixel(uint32_t pixel) {
    return ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
}

inline int AbsInt(int v) {
    return v < 0 ? -v : v;
}

inline int ChebyshevDistance(Rgb a, Rgb b) {
    int d = AbsInt(a.red - b.red);
    int dg = AbsInt(a.green - b.green);
    int db = AbsInt(a.blue - b.blue);
    d = dg > d ? dg : d;
    return db > d ? db : d;
}

// Summed in this order so that every build gets the same bits.
inline double Luma(Rgb c) {
    return (0.7152 * c.green + 0.2126 * c.red) + 0.0722 * c.blue;
}

// Per-channel tint factors, k = tint_c * tint / 255 + (1 - tint).
struct TintFactors {
    double red;
    double green;
    double blue;
};

inline TintFactors ComputeTintFactors(uint32_t tint_rgb, double tint) {
    Rgb t = RgbFromTheme(tint_rgb);
    return {t.red * tint / 255 + (1 - tint), t.green * tint / 255 + (1 - tint),
            t.blue * tint / 255 + (1 - tint)};
}

// Truncates toward zero into a byte; NaN and values at or below 0 give 0, 255 and above 255.
// Settings outside 0..1 can push blends out of range, and a float-to-int cast must not overflow.
inline uint8_t TruncateToByte(double v) {
    if (!(v > 0.0)) {
        return 0;
    }
    if (v >= 255.0) {
        return 255;
    }
    return uint8_t(v);
}
