// The theme colours the MIDI editor's note view is keyed against: its six row colours are the
// background; its grid, octave and end lines, blended as the host draws them over each row and
// under the time selection, and its notes and cursor stay exactly as drawn.
#pragma once

#include "keying/theme_colours.h"

extern ThemeColourSet g_note_theme;

using ThemeColourReader = int (*)(const char* key, int flags);

// The note view's set as read through `read`; background_count 0 when the theme has no
// "midi_trackbg1" (nothing to key against).
ThemeColourSet ReadNoteThemeColours(ThemeColourReader read);

// Reads the keys again through the host; makes and commits the set again, and returns true, only
// when a value read differs from the last read.
bool RefreshNoteThemeColours();
