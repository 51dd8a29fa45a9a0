// Decides from the theme snapshot whether a captured colour is arrange background, a grid line,
// or background shaded by the time selection.
#pragma once

#include <cstdint>

#include "keying/theme_colours.h"

// Within 2 of a grid colour: grid lines stay visible over the wallpaper.
bool MatchesGridColour(const ThemeColourSet& theme, int red, int green, int blue);

// Within 5 of a background colour, or a near-grey shade of one; never a grid colour.
bool MatchesBackgroundColour(const ThemeColourSet& theme, int red, int green, int blue);

// The background colour that, blended toward the time selection colour, gives this pixel, and
// how far toward the selection colour it went (0..1, when fraction is given); false when there
// is none.
bool MatchSelectionBlend(const ThemeColourSet& theme, int red, int green, int blue,
                         uint32_t* background, double* fraction = nullptr);
