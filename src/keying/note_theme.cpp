#include "keying/note_theme.h"

#include <algorithm>

#include "base/host_api.h"
#include "keying/colour_math.h"
#include "keying/theme_blend.h"

ThemeColourSet g_note_theme = {};

namespace {

constexpr int32_t kMissing = -1;
// A line colour this close to a row colour, or to a row under the time selection, cannot be told
// from that row: the row wins, or the whole row would stay unkeyed.
constexpr int kRowWins = 2;

// Every key the note view's set is made from, read in this order: the rows, the selection, the
// grid lines each followed by its draw mode, then the colours drawn solid.
constexpr int kRowCount = 6;
constexpr int kSelection = kRowCount;
constexpr int kGridLines = kSelection + 2;
constexpr int kGridLineCount = 3;
constexpr int kSolid = kGridLines + 2 * kGridLineCount;
constexpr const char* kKeys[] = {
    "midi_trackbg1", "midi_trackbg2", "midi_trackbg_outer1", "midi_trackbg_outer2",
    "midi_selpitch1", "midi_selpitch2", "midi_selbg", "midi_selbg_drawmode", "midi_grid1",
    "midi_griddm1", "midi_grid2", "midi_griddm2", "midi_grid3", "midi_griddm3",
    // Drawn solid: over the rows (lines, notes, cursor) or beside them in the same window
    // (ruler, keyboard, the controller lanes' lines), where a colour near a row's must not be
    // keyed either.
    "midioct", "midi_endpt", "midi_notebg", "midi_notefg", "midi_notemute", "midi_notemute_sel",
    "midi_editcurs", "midi_rulerbg", "midi_rulerfg", "midi_leftbg", "midi_pkey1", "midi_pkey2",
    "midi_pkey3", "midi_gridh", "midi_gridhc"};
constexpr int kKeyCount = int(sizeof kKeys / sizeof kKeys[0]);

// The values last read through the host: the set is made again only when one of them changed.
int32_t g_read_values[kKeyCount] = {};
bool g_read_once = false;

struct Builder {
    ThemeColourSet& set;
    int32_t rows_selected[kMaxBackgroundColours] = {}; // the rows under the time selection

    bool NearRow(int32_t colour) const {
        const Rgb c = RgbFromTheme(uint32_t(colour));
        for (int i = 0; i < set.background_count; ++i) {
            if (ChebyshevDistance(c, RgbFromTheme(uint32_t(set.background[i]))) <= kRowWins ||
                (set.selection_valid &&
                 ChebyshevDistance(c, RgbFromTheme(uint32_t(rows_selected[i]))) <= kRowWins)) {
                return true;
            }
        }
        return false;
    }

    void AddRow(int32_t colour) {
        for (int i = 0; i < set.background_count; ++i) {
            if (set.background[i] == colour) {
                return;
            }
        }
        if (set.background_count < kMaxBackgroundColours) {
            set.background[set.background_count++] = colour;
        }
    }

    void AddLine(int32_t colour) {
        if (NearRow(colour)) {
            return;
        }
        for (int i = 0; i < set.grid_count; ++i) {
            if (set.grid[i] == colour) {
                return;
            }
        }
        if (set.grid_count < kMaxGridColours) {
            set.grid[set.grid_count++] = colour;
        }
    }

    // A line as it shows outside the time selection and under it.
    void AddLineWithSelection(int32_t colour, int32_t selection, int32_t selection_mode) {
        AddLine(colour);
        if (set.selection_valid) {
            AddLine(BlendThemeColour(colour, selection, selection_mode));
        }
    }
};

ThemeColourSet NoteThemeFrom(const int32_t* v) {
    ThemeColourSet set = {};
    set.note_view = true;
    if (v[0] == kMissing) {
        return set;
    }
    Builder b{set};
    for (int i = 0; i < kRowCount; ++i) {
        if (v[i] != kMissing) {
            b.AddRow(v[i]);
        }
    }
    set.arrange_bg = set.background[0];
    const int32_t selection = v[kSelection];
    const int32_t selection_mode = v[kSelection + 1];
    set.selection_valid = selection != kMissing;
    set.selection_bg = set.selection_valid ? selection : 0;
    set.selection_mode = selection_mode;
    for (int i = 0; i < set.background_count; ++i) {
        b.rows_selected[i] = BlendThemeColour(set.background[i], selection, selection_mode);
    }
    for (int line = kGridLines; line < kSolid; line += 2) {
        if (v[line] == kMissing) {
            continue;
        }
        for (int i = 0; i < set.background_count; ++i) {
            const int32_t drawn = BlendThemeColour(set.background[i], v[line], v[line + 1]);
            b.AddLineWithSelection(drawn, selection, selection_mode);
        }
    }
    for (int i = kSolid; i < kKeyCount; ++i) {
        if (v[i] != kMissing) {
            b.AddLineWithSelection(v[i], selection, selection_mode);
        }
    }
    return set;
}

void ReadValues(ThemeColourReader read, int32_t* values) {
    for (int i = 0; i < kKeyCount; ++i) {
        values[i] = read(kKeys[i], 0);
    }
}

} // namespace

ThemeColourSet ReadNoteThemeColours(ThemeColourReader read) {
    if (read == nullptr) {
        ThemeColourSet set = {};
        set.note_view = true;
        return set;
    }
    int32_t values[kKeyCount];
    ReadValues(read, values);
    return NoteThemeFrom(values);
}

bool RefreshNoteThemeColours() {
    if (g_host.GetThemeColor == nullptr) {
        return false;
    }
    // Read at every presentation of a note view: the reads are cheap, making the set is not.
    int32_t values[kKeyCount];
    ReadValues(g_host.GetThemeColor, values);
    if (g_read_once && std::equal(values, values + kKeyCount, g_read_values)) {
        return false;
    }
    std::copy(values, values + kKeyCount, g_read_values);
    g_read_once = true;
    g_note_theme = NoteThemeFrom(values);
    return true;
}
