// The client columns in which the host shades the arrange background with the time selection.
#pragma once

#include "keying/theme_colours.h"

struct SelectionBand {
    int left; // a pixel is inside when left < x < right - 1; both 0 when there is no band
    int right;
};

// Asks the host for the view and the time selection; an empty band when anything is missing,
// including the theme's selection colour.
SelectionBand ComputeSelectionBand(int width, const ThemeColourSet& theme);
