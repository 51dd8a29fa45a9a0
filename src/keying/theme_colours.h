// Snapshot of the theme colours that the arrange view paints its background and grid with.
#pragma once

#include <cstdint>

struct ThemeColourSet {
    int32_t arrange_bg;    // "col_arrangebg"; equals background[0] once committed
    int32_t background[5]; // distinct, in key order
    int background_count;
    int32_t grid[6]; // distinct, none of them a background colour
    int grid_count;
    int32_t selection_bg; // "col_tl_bgsel", read only while selection_valid
    bool selection_valid;
};

extern ThemeColourSet g_theme;

// Reads the twelve keys again; commits and returns true only when something differs. What was
// keyed against the old colours is then stale; the caller sees to that.
bool RefreshThemeColours();
