// Snapshot of the theme colours that a view (the arrange view, or the MIDI editor's note view)
// paints its background and grid with.
#pragma once

#include <cstdint>

// The note view has six row colours; its grid lines are blended over each of them.
inline constexpr int kMaxBackgroundColours = 6;
inline constexpr int kMaxGridColours = 96;

struct ThemeColourSet {
    int32_t arrange_bg; // "col_arrangebg" (note view: "midi_trackbg1"); equals background[0]
    int32_t background[kMaxBackgroundColours]; // distinct, in key order
    int background_count;
    int32_t grid[kMaxGridColours]; // distinct, none of them a background colour
    int grid_count;
    int32_t selection_bg; // "col_tl_bgsel" (note view: "midi_selbg"), while selection_valid
    bool selection_valid;
    int32_t selection_mode; // note view: "midi_selbg_drawmode" (-1 when missing)
    // The note view's set: its rows are drawn flat, so only colours within 2 of a row colour are
    // background (no shades of them), and its time selection, which may lie anywhere across the
    // view, is recognised only at the strength its draw mode gives.
    bool note_view;
};

extern ThemeColourSet g_theme;

// Reads the twelve keys again; commits and returns true only when something differs. What was
// keyed against the old colours is then stale; the caller sees to that.
bool RefreshThemeColours();
