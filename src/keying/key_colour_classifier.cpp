#include "keying/key_colour_classifier.h"

#include <cmath>

#include "keying/colour_math.h"
#include "keying/theme_blend.h"

namespace {

constexpr int kGridTolerance = 2;
constexpr int kBackgroundTolerance = 5;
constexpr int kMaxGreySpread = 14;
constexpr double kShadeLumaTolerance = 38.0;
constexpr int kShadeMeanTolerance = 38;
constexpr double kSelectionChannelTolerance = 8.0;
// The note view draws rows and the selection over them exactly: only rounding is tolerated.
constexpr int kNoteRowTolerance = 2;
constexpr int kNoteSelectedRowTolerance = 3;

int ClampedCount(int count, int capacity) {
    return count < 0 ? 0 : (count > capacity ? capacity : count);
}

// The note view's rows under its time selection are drawn exactly as the draw mode blends them:
// the row whose blend the pixel shows, and how far toward the selection colour that blend went.
bool MatchNoteSelection(const ThemeColourSet& theme, Rgb pixel, uint32_t* background,
                        double* fraction) {
    int best = kNoteSelectedRowTolerance + 1;
    const int count = ClampedCount(theme.background_count, kMaxBackgroundColours);
    for (int i = 0; i < count; ++i) {
        const int32_t selected =
            BlendThemeColour(theme.background[i], theme.selection_bg, theme.selection_mode);
        const int d = ChebyshevDistance(pixel, RgbFromTheme(uint32_t(selected)));
        if (d < best) {
            best = d;
            *background = uint32_t(theme.background[i]);
        }
    }
    if (best > kNoteSelectedRowTolerance) {
        return false;
    }
    if (fraction != nullptr) {
        *fraction = DrawModeStrength(theme.selection_mode);
    }
    return true;
}

} // namespace

bool MatchesGridColour(const ThemeColourSet& theme, int red, int green, int blue) {
    const Rgb pixel = {red, green, blue};
    const int count = ClampedCount(theme.grid_count, kMaxGridColours);
    for (int i = 0; i < count; ++i) {
        if (ChebyshevDistance(pixel, RgbFromTheme(uint32_t(theme.grid[i]))) <= kGridTolerance) {
            return true;
        }
    }
    return false;
}

bool MatchesBackgroundColour(const ThemeColourSet& theme, int red, int green, int blue) {
    if (MatchesGridColour(theme, red, green, blue)) {
        return false;
    }
    const Rgb pixel = {red, green, blue};
    const int count = ClampedCount(theme.background_count, kMaxBackgroundColours);
    const int tolerance = theme.note_view ? kNoteRowTolerance : kBackgroundTolerance;
    for (int i = 0; i < count; ++i) {
        const Rgb bg = RgbFromTheme(uint32_t(theme.background[i]));
        if (ChebyshevDistance(pixel, bg) <= tolerance) {
            return true;
        }
    }

    // The note view draws its rows flat; its notes and lines come in greys near them.
    if (theme.note_view) {
        return false;
    }
    int high = red > green ? red : green;
    high = blue > high ? blue : high;
    int low = red < green ? red : green;
    low = blue < low ? blue : low;
    if (high - low > kMaxGreySpread) {
        return false;
    }

    // Darker and lighter greys of a background colour: the host shades lanes with them.
    const double lum = Luma(pixel);
    const int mean = (red + green + blue) / 3;
    for (int i = 0; i < count; ++i) {
        const Rgb bg = RgbFromTheme(uint32_t(theme.background[i]));
        const int bg_mean = (bg.red + bg.green + bg.blue) / 3;
        if (std::fabs(lum - Luma(bg)) <= kShadeLumaTolerance &&
            AbsInt(mean - bg_mean) <= kShadeMeanTolerance) {
            return true;
        }
    }
    return false;
}

bool MatchSelectionBlend(const ThemeColourSet& theme, int red, int green, int blue,
                         uint32_t* background, double* fraction) {
    if (!theme.selection_valid || MatchesGridColour(theme, red, green, blue)) {
        return false;
    }
    if (theme.note_view) {
        return MatchNoteSelection(theme, {red, green, blue}, background, fraction);
    }
    const Rgb pixel = {red, green, blue};
    const Rgb s = RgbFromTheme(uint32_t(theme.selection_bg));
    int best = 256;
    const int count = ClampedCount(theme.background_count, kMaxBackgroundColours);
    for (int i = 0; i < count; ++i) {
        const Rgb f = RgbFromTheme(uint32_t(theme.background[i]));
        const double dr = s.red - f.red;
        const double dg = s.green - f.green;
        const double db = s.blue - f.blue;
        const double length = dg * dg + dr * dr + db * db;
        if (length < 1.0) {
            continue; // the selection colour is this background colour: no direction to blend
        }
        const double t =
            ((red - f.red) * dr + (green - f.green) * dg + (blue - f.blue) * db) / length;
        if (t < 0 || t > 1) {
            continue;
        }
        if (std::fabs(red - (f.red + t * dr)) > kSelectionChannelTolerance ||
            std::fabs(green - (f.green + t * dg)) > kSelectionChannelTolerance ||
            std::fabs(blue - (f.blue + t * db)) > kSelectionChannelTolerance) {
            continue;
        }
        const int d = ChebyshevDistance(pixel, f);
        if (d < best) {
            best = d;
            *background = uint32_t(theme.background[i]);
            if (fraction != nullptr) {
                *fraction = t;
            }
        }
    }
    return best != 256;
}
