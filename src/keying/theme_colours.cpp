#include "keying/theme_colours.h"

#include "base/host_api.h"

ThemeColourSet g_theme = {};

namespace {

constexpr int32_t kMissing = -1;

constexpr const char* kBackgroundKeys[] = {"col_arrangebg", "col_tr1_bg", "col_tr2_bg",
                                           "selcol_tr1_bg", "selcol_tr2_bg"};
constexpr const char* kGridKeys[] = {"col_gridlines",    "col_gridlines1dm", "col_gridlines2",
                                     "col_gridlines2dm", "col_gridlines3",   "col_gridlines3dm"};

bool Contains(const int32_t* list, int count, int32_t colour) {
    for (int i = 0; i < count; ++i) {
        if (list[i] == colour) {
            return true;
        }
    }
    return false;
}

bool SameEntries(const int32_t* a, const int32_t* b, int count) {
    for (int i = 0; i < count; ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool RefreshThemeColours() {
    auto read = g_host.GetThemeColor;
    if (read == nullptr) {
        return false;
    }
    int32_t arrange_bg = read(kBackgroundKeys[0], 0);
    if (arrange_bg == kMissing) {
        return false;
    }

    int32_t background[5] = {arrange_bg};
    int background_count = 1;
    for (int k = 1; k < 5; ++k) {
        int32_t colour = read(kBackgroundKeys[k], 0);
        if (colour != kMissing && !Contains(background, background_count, colour)) {
            background[background_count++] = colour;
        }
    }

    int32_t grid[6] = {};
    int grid_count = 0;
    for (const char* key : kGridKeys) {
        int32_t colour = read(key, 0);
        if (colour != kMissing && !Contains(grid, grid_count, colour) &&
            !Contains(background, background_count, colour)) {
            grid[grid_count++] = colour;
        }
    }

    int32_t selection = read("col_tl_bgsel", 0);
    bool selection_valid = selection != kMissing;

    ThemeColourSet& t = g_theme;
    bool changed = background_count != t.background_count || grid_count != t.grid_count ||
                   selection_valid != t.selection_valid ||
                   (selection_valid && selection != t.selection_bg) ||
                   !SameEntries(background, t.background, background_count) ||
                   !SameEntries(grid, t.grid, grid_count);
    if (!changed) {
        return false;
    }

    for (int i = 0; i < background_count; ++i) {
        t.background[i] = background[i];
    }
    for (int i = 0; i < grid_count; ++i) {
        t.grid[i] = grid[i];
    }
    t.background_count = background_count;
    t.grid_count = grid_count;
    t.arrange_bg = background[0];
    t.selection_valid = selection_valid;
    if (selection_valid) {
        t.selection_bg = selection;
    }
    return true;
}
