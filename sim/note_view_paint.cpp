#include "note_view_paint.h"

#include <algorithm>
#include <string>

#include "canvas.h"
#include "grid_lines.h"

namespace sim {

namespace {

// The piano roll's parts, in pixels: ruler, keyboard (and its black keys), controller lane and
// the range of a row's height.
constexpr int kRulerHeight = 24, kKeyboardWidth = 64, kBlackKeyWidth = 40, kLaneHeight = 80;
constexpr int kMinRowHeight = 10, kMaxRowHeight = 14;

// 3 x 5 digits for the ruler's measure numbers, one bit a pixel, rows from the top.
constexpr uint16_t kDigits[10] = {0x7B6F, 0x749A, 0x73E7, 0x79A7, 0x49ED,
                                  0x79CF, 0x7BCF, 0x2527, 0x7BEF, 0x79EF};

// Draw order, each over the one before: rows, the controller lane, grid lines, octave lines, the
// time selection, notes with their velocity bars, the item's end, the cursors; then the ruler,
// keyboard and left area, which cover whatever of the above spilt into them.
struct NoteView {
    const Scene& scene;
    const SceneMidiEditor& editor;
    NoteViewLayout layout;
    Canvas canvas;

    int Column(double time) const { return NoteViewColumn(layout, editor, time); }

    // A full-height line below the ruler, through the note area and the controller lane.
    void Line(int x, uint32_t colour) {
        canvas.Fill(std::max(x, layout.keys_right), layout.ruler_bottom, x + 1, canvas.height,
                    colour);
    }
};

uint32_t RowColour(const SceneMidiEditor& editor, int pitch, bool inside) {
    bool sharp = IsSharpOrFlat(pitch);
    if (pitch == editor.selected_pitch) {
        return ThemePixel(sharp ? "midi_selpitch2" : "midi_selpitch1", 0x4C5F40);
    }
    if (inside) {
        return ThemePixel(sharp ? "midi_trackbg2" : "midi_trackbg1", 0x34383E);
    }
    return ThemePixel(sharp ? "midi_trackbg_outer2" : "midi_trackbg_outer1", 0x24262B);
}

void PaintRows(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    view.canvas.Fill(l.keys_right, l.ruler_bottom, view.canvas.width, l.notes_bottom,
                     ThemePixel("midi_trackbg_outer2", 0x1E1F24));
    int item_left =
        std::clamp(view.Column(view.editor.item_start), l.keys_right, view.canvas.width);
    int item_right = std::clamp(view.Column(view.editor.item_end), item_left, view.canvas.width);
    for (int pitch = view.editor.low_pitch; pitch <= 127; ++pitch) {
        int top = PitchRowTop(l, view.editor, pitch);
        if (top + l.row_height <= l.ruler_bottom) {
            break;
        }
        int bottom = top + l.row_height;
        view.canvas.Fill(l.keys_right, top, item_left, bottom,
                         RowColour(view.editor, pitch, false));
        view.canvas.Fill(item_left, top, item_right, bottom, RowColour(view.editor, pitch, true));
        view.canvas.Fill(item_right, top, view.canvas.width, bottom,
                         RowColour(view.editor, pitch, false));
    }
}

// Its own background, darker than every row; lines at a quarter, half and three quarters.
void PaintControllerLane(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    int width = view.canvas.width;
    view.canvas.Fill(l.keys_right, l.notes_bottom, width, l.notes_bottom + 1,
                     ThemePixel("midioct", 0x1A1614));
    int top = l.notes_bottom + 1;
    int height = view.canvas.height - top;
    view.canvas.Fill(l.keys_right, top, width, view.canvas.height,
                     Darker(ThemePixel("midi_trackbg_outer2", 0x1E1F24), 70));
    for (int quarter = 1; quarter <= 3; ++quarter) {
        int y = top + height * quarter / 4;
        bool centre = quarter == 2;
        view.canvas.Blend(l.keys_right, y, width, y + 1,
                          ThemePixel(centre ? "midi_gridhc" : "midi_gridh", 0x686058),
                          ThemeBlendMode(centre ? "midi_gridhcdm" : "midi_gridhdm"));
    }
}

void PaintGrid(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    for (const GridLine& line :
         GridLines(view.editor.view_start, view.editor.zoom, view.scene.bpm,
                   view.scene.beats_per_measure, view.canvas.width - l.keys_right)) {
        bool measure = line.kind == GridLineKind::kMeasure;
        bool beat = line.kind == GridLineKind::kBeat;
        const char* colour_key = measure ? "midi_grid2" : beat ? "midi_grid3" : "midi_grid1";
        const char* mode_key = measure ? "midi_griddm2" : beat ? "midi_griddm3" : "midi_griddm1";
        int x = l.keys_right + line.x;
        view.canvas.Blend(x, l.ruler_bottom, x + 1, view.canvas.height,
                          ThemePixel(colour_key, 0x808080), ThemeBlendMode(mode_key));
    }
}

// A solid line along the bottom of every C's row, over the grid.
void PaintOctaveLines(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    uint32_t colour = ThemePixel("midioct", 0x1A1614);
    for (int pitch = (view.editor.low_pitch + 11) / 12 * 12; pitch <= 127; pitch += 12) {
        int bottom = PitchRowTop(l, view.editor, pitch) + l.row_height;
        if (bottom <= l.ruler_bottom) {
            break;
        }
        view.canvas.Fill(l.keys_right, bottom - 1, view.canvas.width, bottom, colour);
    }
}

void PaintTimeSelection(NoteView& view) {
    if (view.scene.selection_end <= view.scene.selection_start) {
        return;
    }
    int left = std::max(view.Column(view.scene.selection_start), view.layout.keys_right);
    view.canvas.Blend(left, view.layout.ruler_bottom, view.Column(view.scene.selection_end),
                      view.canvas.height, ThemePixel("midi_selbg", 0xFFFFFF),
                      ThemeBlendMode("midi_selbg_drawmode"));
}

// Louder notes are drawn brighter: from 40 % of the body colour at the softest to all of it.
uint32_t NoteBody(const SceneNote& note) {
    if (note.muted) {
        return ThemePixel("midi_notemute", 0x707074);
    }
    uint32_t body = ThemePixel("midi_notebg", 0x48A4D6);
    return BlendPixel(Darker(body, 40), body, {0, note.velocity / 127.0});
}

void PaintNotes(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    uint32_t border = ThemePixel("midi_notefg", 0x101A24);
    int lane_top = l.notes_bottom + 2;
    int lane_height = view.canvas.height - lane_top - 2;
    for (const SceneNote& note : view.editor.notes) {
        int left = view.Column(note.position);
        int right = std::max(view.Column(note.position + note.length), left + 3);
        uint32_t body = NoteBody(note);
        if (note.pitch >= view.editor.low_pitch) {
            int top = PitchRowTop(l, view.editor, note.pitch);
            view.canvas.Fill(left, top, right, top + l.row_height, border);
            view.canvas.Fill(left + 1, top + 1, right - 1, top + l.row_height - 1, body);
        }
        if (lane_height > 0) {
            int bar = std::max(lane_height * note.velocity / 127, 1);
            view.canvas.Fill(left, lane_top + lane_height - bar, left + 3, lane_top + lane_height,
                             body);
        }
    }
}

void PaintRulerNumber(Canvas& canvas, int x, int y, int number, uint32_t colour) {
    for (char c : std::to_string(number)) {
        uint16_t shape = kDigits[c - '0'];
        for (int bit = 0; bit < 15; ++bit) {
            if ((shape >> bit) & 1) {
                canvas.Fill(x + bit % 3, y + bit / 3, x + bit % 3 + 1, y + bit / 3 + 1, colour);
            }
        }
        x += 4;
    }
}

// Ticks at measures (tall, numbered from 1) and beats (short).
void PaintRuler(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    view.canvas.Fill(0, 0, view.canvas.width, l.ruler_bottom, ThemePixel("midi_rulerbg", 0x201C1A));
    uint32_t colour = ThemePixel("midi_rulerfg", 0xBAB2AC);
    double measure_seconds = 60.0 / view.scene.bpm * view.scene.beats_per_measure;
    for (const GridLine& line :
         GridLines(view.editor.view_start, view.editor.zoom, view.scene.bpm,
                   view.scene.beats_per_measure, view.canvas.width - l.keys_right)) {
        int x = l.keys_right + line.x;
        if (line.kind == GridLineKind::kMeasure) {
            view.canvas.Fill(x, l.ruler_bottom / 2, x + 1, l.ruler_bottom, colour);
            double time = view.editor.view_start + (line.x + 0.5) / view.editor.zoom;
            PaintRulerNumber(view.canvas, x + 3, 4, static_cast<int>(time / measure_seconds) + 1,
                             colour);
        } else if (line.kind == GridLineKind::kBeat) {
            view.canvas.Fill(x, l.ruler_bottom * 3 / 4, x + 1, l.ruler_bottom, colour);
        }
    }
}

// White keys over the whole width with a line where two white keys meet (B-C, E-F), black
// keys shorter; the selected pitch's key lit.
void PaintKeyboard(NoteView& view) {
    const NoteViewLayout& l = view.layout;
    view.canvas.Fill(0, l.ruler_bottom, l.keys_right, view.canvas.height,
                     ThemePixel("midi_leftbg", 0x362A28));
    uint32_t white = ThemePixel("midi_pkey1", 0xECECEC);
    uint32_t black = ThemePixel("midi_pkey2", 0x18181A);
    uint32_t lit = ThemePixel("midi_pkey3", 0x96C4F0);
    for (int pitch = view.editor.low_pitch; pitch <= 127; ++pitch) {
        int top = std::max(PitchRowTop(l, view.editor, pitch), l.ruler_bottom);
        int bottom = PitchRowTop(l, view.editor, pitch) + l.row_height;
        if (bottom <= l.ruler_bottom) {
            break;
        }
        bool selected = pitch == view.editor.selected_pitch;
        if (IsSharpOrFlat(pitch)) {
            view.canvas.Fill(4, top, l.keys_right, bottom, white);
            view.canvas.Fill(4, top, kBlackKeyWidth, bottom, selected ? lit : black);
        } else {
            view.canvas.Fill(4, top, l.keys_right, bottom, selected ? lit : white);
            if (pitch % 12 == 0 || pitch % 12 == 5) {
                view.canvas.Fill(4, bottom - 1, l.keys_right, bottom, black);
            }
        }
    }
}

} // namespace

bool IsSharpOrFlat(int pitch) {
    int step = ((pitch % 12) + 12) % 12;
    return step == 1 || step == 3 || step == 6 || step == 8 || step == 10;
}

NoteViewLayout LayoutNoteView(const SceneMidiEditor& editor, int width, int height) {
    NoteViewLayout layout = {};
    layout.ruler_bottom = std::min(kRulerHeight, height);
    layout.keys_right = std::min(kKeyboardWidth, width);
    int lane = std::min(kLaneHeight, std::max(height - layout.ruler_bottom, 0) / 4);
    layout.notes_bottom = height - lane;
    int rows = editor.high_pitch - editor.low_pitch + 1;
    layout.row_height = std::clamp((layout.notes_bottom - layout.ruler_bottom) / std::max(rows, 1),
                                   kMinRowHeight, kMaxRowHeight);
    return layout;
}

int PitchRowTop(const NoteViewLayout& layout, const SceneMidiEditor& editor, int pitch) {
    return layout.notes_bottom - (pitch - editor.low_pitch + 1) * layout.row_height;
}

int NoteViewColumn(const NoteViewLayout& layout, const SceneMidiEditor& editor, double time) {
    return layout.keys_right + TimeToColumn(time, editor.view_start, editor.zoom);
}

void PaintNoteView(const Scene& scene, const SceneMidiEditor& editor, double play_position,
                   uint32_t* pixels, int width, int height) {
    NoteView view = {scene, editor, LayoutNoteView(editor, width, height), {pixels, width, height}};
    PaintRows(view);
    PaintControllerLane(view);
    PaintGrid(view);
    PaintOctaveLines(view);
    PaintTimeSelection(view);
    PaintNotes(view);
    view.Line(view.Column(editor.item_end), ThemePixel("midi_endpt", 0x5454DE));
    view.Line(view.Column(scene.cursor), ThemePixel("midi_editcurs", 0xE6E6E6));
    if (play_position >= 0.0) {
        view.Line(view.Column(play_position), ThemePixel("playcursor_color", 0xE6E6E6));
    }
    PaintRuler(view);
    PaintKeyboard(view);
}

} // namespace sim
