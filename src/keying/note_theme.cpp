#include "keying/note_theme.h"

#include "base/host_api.h"
#include "keying/colour_math.h"
#include "keying/theme_blend.h"

ThemeColourSet g_note_theme = {};

namespace {

constexpr int32_t kMissing = -1;
// A line colour this close to a row colour, or to a row under the time selection, cannot be told
// from that row: the row wins, or the whole row would stay unkeyed.
constexpr int kRowWins = 2;

constexpr const char* kRowKeys[] = {"midi_trackbg1",       "midi_trackbg2",  "midi_trackbg_outer1",
                                    "midi_trackbg_outer2", "midi_selpitch1", "midi_selpitch2"};
// Grid lines, each with its draw mode.
constexpr const char* kBlendedLineKeys[][2] = {
    {"midi_grid1", "midi_griddm1"}, {"midi_grid2", "midi_griddm2"}, {"midi_grid3", "midi_griddm3"}};
// Drawn solid: over the rows (lines, notes, cursor) or beside them in the same window (ruler,
// keyboard, the controller lanes' lines), where a colour near a row's must not be keyed either.
constexpr const char* kSolidKeys[] = {
    "midioct",           "midi_endpt",    "midi_notebg",  "midi_notefg",  "midi_notemute",
    "midi_notemute_sel", "midi_editcurs", "midi_rulerbg", "midi_rulerfg", "midi_leftbg",
    "midi_pkey1",        "midi_pkey2",    "midi_pkey3",   "midi_gridh",   "midi_gridhc"};

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

bool SameEntries(const int32_t* a, const int32_t* b, int count) {
    for (int i = 0; i < count; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

bool SameSet(const ThemeColourSet& a, const ThemeColourSet& b) {
    return a.background_count == b.background_count && a.grid_count == b.grid_count &&
           a.selection_valid == b.selection_valid && a.note_view == b.note_view &&
           (!a.selection_valid ||
            (a.selection_bg == b.selection_bg && a.selection_mode == b.selection_mode)) &&
           SameEntries(a.background, b.background, a.background_count) &&
           SameEntries(a.grid, b.grid, a.grid_count);
}

} // namespace

ThemeColourSet ReadNoteThemeColours(ThemeColourReader read) {
    ThemeColourSet set = {};
    set.note_view = true;
    if (read == nullptr) {
        return set;
    }
    const int32_t first = read(kRowKeys[0], 0);
    if (first == kMissing) {
        return set;
    }
    Builder b{set};
    for (const char* key : kRowKeys) {
        const int32_t colour = read(key, 0);
        if (colour != kMissing) {
            b.AddRow(colour);
        }
    }
    set.arrange_bg = set.background[0];
    const int32_t selection = read("midi_selbg", 0);
    const int32_t selection_mode = read("midi_selbg_drawmode", 0);
    set.selection_valid = selection != kMissing;
    set.selection_bg = set.selection_valid ? selection : 0;
    set.selection_mode = selection_mode;
    for (int i = 0; i < set.background_count; ++i) {
        b.rows_selected[i] = BlendThemeColour(set.background[i], selection, selection_mode);
    }

    for (const auto& line : kBlendedLineKeys) {
        const int32_t colour = read(line[0], 0);
        if (colour == kMissing) {
            continue;
        }
        const int32_t mode = read(line[1], 0);
        for (int i = 0; i < set.background_count; ++i) {
            const int32_t drawn = BlendThemeColour(set.background[i], colour, mode);
            b.AddLineWithSelection(drawn, selection, selection_mode);
        }
    }
    for (const char* key : kSolidKeys) {
        const int32_t colour = read(key, 0);
        if (colour != kMissing) {
            b.AddLineWithSelection(colour, selection, selection_mode);
        }
    }
    return set;
}

bool RefreshNoteThemeColours() {
    const ThemeColourSet next = ReadNoteThemeColours(g_host.GetThemeColor);
    if (SameSet(next, g_note_theme)) {
        return false;
    }
    g_note_theme = next;
    return true;
}
