#include "keying/key_colour_cache.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "keying/colour_math.h"
#include "keying/key_colour_classifier.h"
#include "keying/theme_colours.h"
#include "settings/project_settings.h"

KeyColourEntry g_key_colour_cache[kKeyColourSlots] = {};
uint32_t g_keying_generation = 1;

namespace {

std::mutex g_fill_lock;

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
        // NaN (from settings out of range) falls into the first branch like any v <= 0.
        table[i] = !(v > 0.0) ? 0 : (v >= 255.0 ? 255 : uint8_t(v + 0.5));
    }
}

void FillTables(KeyColourEntry& entry, Rgb reference, double gain, double shade = 0.0) {
    const ProjectSettings& s = g_current_settings;
    const TintFactors k = ComputeTintFactors(s.tint_rgb, s.tint);
    const Rgb selection = RgbFromTheme(uint32_t(g_theme.selection_bg));
    FillTable(entry.blue_table, k.blue, gain, s.opacity, reference.blue, shade, selection.blue);
    FillTable(entry.green_table, k.green, gain, s.opacity, reference.green, shade, selection.green);
    FillTable(entry.red_table, k.red, gain, s.opacity, reference.red, shade, selection.red);
}

// Shades of a background colour scale the wallpaper by their brightness, within limits.
double ShadeGain(Rgb pixel) {
    Rgb nearest = RgbFromTheme(uint32_t(g_theme.arrange_bg));
    int best = 256;
    const int count = std::clamp(g_theme.background_count, 0, 5);
    for (int i = 0; i < count; ++i) {
        const Rgb bg = RgbFromTheme(uint32_t(g_theme.background[i]));
        const int d = ChebyshevDistance(pixel, bg);
        if (d < best) {
            nearest = bg;
            best = d;
        }
    }
    const double ratio = Luma(pixel) / std::max(Luma(nearest), 1.0);
    return std::max(std::min(ratio, kMaxGain), kMinGain);
}

} // namespace

void FillKeyColourEntry(KeyColourEntry& entry, uint32_t key) {
    entry.key = key;
    const bool in_band = (key >> 24) != 0;
    const Rgb pixel = RgbFromPixel(key);

    uint32_t unshaded = 0;
    double fraction = 0;
    if (in_band && MatchSelectionBlend(pixel.red, pixel.green, pixel.blue, &unshaded, &fraction)) {
        // Under the time selection the wallpaper goes over the unshaded lane colour; the chosen
        // share of the host's shading then goes back over the result.
        entry.is_key = 1;
        FillTables(entry, RgbFromTheme(unshaded), 1.0,
                   std::clamp(g_current_settings.time_selection, 0.0, 1.0) * fraction);
    } else if (MatchesBackgroundColour(pixel.red, pixel.green, pixel.blue)) {
        entry.is_key = 1;
        FillTables(entry, pixel, ShadeGain(pixel));
    } else {
        entry.is_key = 0;
    }
    // Written last: a thread that sees the generation sees the whole entry.
    __atomic_store_n(&entry.generation, g_keying_generation, __ATOMIC_RELEASE);
}

const KeyColourEntry& LookupKeyColourShared(uint32_t key, KeyColourEntry& spare) {
    KeyColourEntry& entry = g_key_colour_cache[KeyColourSlot(key)];
    if (__atomic_load_n(&entry.generation, __ATOMIC_ACQUIRE) == g_keying_generation &&
        entry.key == key) {
        return entry;
    }
    const std::lock_guard<std::mutex> hold(g_fill_lock);
    if (entry.generation != g_keying_generation) {
        FillKeyColourEntry(entry, key);
        return entry;
    }
    if (entry.key == key) {
        return entry; // filled by another thread meanwhile
    }
    FillKeyColourEntry(spare, key);
    return spare;
}

void AdvanceKeyingGeneration() {
    if (++g_keying_generation == 0) {
        // An entry from the previous cycle could carry any generation number again.
        std::memset(static_cast<void*>(g_key_colour_cache), 0, sizeof g_key_colour_cache);
        g_keying_generation = 1;
    }
}
