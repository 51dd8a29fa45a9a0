// The keying formula: whether a captured colour is arrange background, and if so what each
// wallpaper channel value becomes over it (opacity, tint, shade gain, time selection share).
#pragma once

#include <cstdint>

#include "keying/theme_colours.h"
#include "settings/project_settings.h"

// What the decisions and tables are made from besides the captured colour.
struct KeyingInputs {
    double opacity;
    double tint;
    uint32_t tint_rgb; // 0x00BBGGRR
    double time_selection;
    ThemeColourSet theme;
};

KeyingInputs KeyingInputsOf(const ProjectSettings& settings, const ThemeColourSet& theme);

// Key bits above the colour: inside the time selection band, and keyed for a note view (whose
// decisions are made against its own theme colours, so the views never share an entry).
inline constexpr uint32_t kBandKeyBit = 1u << 24;
inline constexpr uint32_t kNoteViewKeyBit = 1u << 25;

// key: view << 25 | band << 24 | red << 16 | green << 8 | blue. True when the colour is background;
// the tables (256 entries each, indexed by the wallpaper's channel value) are then filled.
bool FillKeyColourTables(uint32_t key, const KeyingInputs& in, uint8_t* blue, uint8_t* green,
                         uint8_t* red);
