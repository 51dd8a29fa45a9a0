// Draws a MIDI editor's note view the way the host draws its piano roll, into 32-bit top-down
// pixels (0x00RRGGBB): a ruler along the top, a keyboard on the left, one row per pitch with
// grid lines, octave lines and the time selection over the rows, the notes, the item's end,
// the cursors, and a controller lane with velocity bars along the bottom.
#pragma once

#include <cstdint>

#include "scene.h"

namespace sim {

struct NoteViewLayout {
    int ruler_bottom; // the ruler: rows [0, ruler_bottom)
    int keys_right;   // the keyboard: columns [0, keys_right)
    int notes_bottom; // the note area ends here; the controller lane fills the rest
    int row_height;
};

NoteViewLayout LayoutNoteView(const SceneMidiEditor& editor, int width, int height);
// Top of pitch's row; the lowest pitch's row ends at notes_bottom.
int PitchRowTop(const NoteViewLayout& layout, const SceneMidiEditor& editor, int pitch);
// The client column of a time.
int NoteViewColumn(const NoteViewLayout& layout, const SceneMidiEditor& editor, double time);
bool IsSharpOrFlat(int pitch);

// The grid's tempo and the time selection come from scene; the play cursor is drawn while
// play_position is not negative.
void PaintNoteView(const Scene& scene, const SceneMidiEditor& editor, double play_position,
                   uint32_t* pixels, int width, int height);

} // namespace sim
