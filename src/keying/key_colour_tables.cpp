#include "keying/key_colour_tables.h"

#include <algorithm>

#include "keying/colour_math.h"
#include "keying/key_colour_classifier.h"

namespace {

constexpr double kMinGain = 0.65;
constexpr double kMaxGain = 1.45;

// shade (0..1) moves the blend toward the selection's channel value, as the host's time
// selection moves the lane colour.
void FillTable(uint8_t* table, double k, double gain, double opacity, int reference, double shade,
               int selection) {
    const double under = reference * (1 - opacity);
    for (int i = 0; i < 256; ++i) {
        double v = std::min(i * k * gain, 255.0) * opacity + under;
        if (shade > 0) {
            v += shade * (selection - v);
        }
        // NaN (from settings out of range) falls into the first branch like any v <= 0; v is
        // positive where it is rounded, so adding a half and truncating rounds correctly.
        table[i] = !(v > 0.0) ? 0 : (v >= 255.0 ? 255 : uint8_t(v + 0.5)); // NOLINT
    }
}

void FillTables(const KeyingInputs& in, uint8_t* blue, uint8_t* green, uint8_t* red, Rgb reference,
                double gain, double shade = 0.0) {
    const TintFactors k = ComputeTintFactors(in.tint_rgb, in.tint);
    const Rgb selection = RgbFromTheme(uint32_t(in.theme.selection_bg));
    FillTable(blue, k.blue, gain, in.opacity, reference.blue, shade, selection.blue);
    FillTable(green, k.green, gain, in.opacity, reference.green, shade, selection.green);
    FillTable(red, k.red, gain, in.opacity, reference.red, shade, selection.red);
}

// Shades of a background colour scale the wallpaper by their brightness, within limits. Both
// lumas are floored at 1, so a lane too dark to have a measurable brightness (black and a few
// near-black colours) is its own shade, gain 1, instead of the darkest limit.
double ShadeGain(const ThemeColourSet& theme, Rgb pixel) {
    Rgb nearest = RgbFromTheme(uint32_t(theme.arrange_bg));
    int best = 256;
    const int count = std::clamp(theme.background_count, 0, kMaxBackgroundColours);
    for (int i = 0; i < count; ++i) {
        const Rgb bg = RgbFromTheme(uint32_t(theme.background[i]));
        const int d = ChebyshevDistance(pixel, bg);
        if (d < best) {
            nearest = bg;
            best = d;
        }
    }
    const double ratio = std::max(Luma(pixel), 1.0) / std::max(Luma(nearest), 1.0);
    return std::max(std::min(ratio, kMaxGain), kMinGain);
}

} // namespace

KeyingInputs KeyingInputsOf(const ProjectSettings& settings, const ThemeColourSet& theme) {
    return {settings.opacity, settings.tint, settings.tint_rgb, settings.time_selection, theme};
}

bool FillKeyColourTables(uint32_t key, const KeyingInputs& in, uint8_t* blue, uint8_t* green,
                         uint8_t* red) {
    const bool in_band = (key & kBandKeyBit) != 0;
    const Rgb pixel = RgbFromPixel(key);
    uint32_t unshaded = 0;
    double fraction = 0;
    if (in_band &&
        MatchSelectionBlend(in.theme, pixel.red, pixel.green, pixel.blue, &unshaded, &fraction)) {
        // Under the time selection the wallpaper goes over the unshaded lane colour; the chosen
        // share of the host's shading then goes back over the result.
        FillTables(in, blue, green, red, RgbFromTheme(unshaded), 1.0,
                   std::clamp(in.time_selection, 0.0, 1.0) * fraction);
        return true;
    }
    if (MatchesBackgroundColour(in.theme, pixel.red, pixel.green, pixel.blue)) {
        FillTables(in, blue, green, red, pixel, ShadeGain(in.theme, pixel));
        return true;
    }
    return false;
}
