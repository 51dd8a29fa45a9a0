#include "keying/item_layout.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "base/host_api.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"

namespace {

constexpr int32_t kNoColour = -1;

constexpr const char* kTrackColourKeys[4] = {"col_tr1_bg", "col_tr2_bg", "selcol_tr1_bg",
                                             "selcol_tr2_bg"};
constexpr const char* kPeaksColourKeys[4] = {"col_tr1_peaks", "col_tr2_peaks", "col_tr1_ps2",
                                             "col_tr2_ps2"};

struct ViewMapping {
    double view_start;
    double pixels_per_second;
};

bool RequiredHostFunctionsBound() {
    const HostApi& h = g_host;
    return h.EnumProjects && h.CountMediaItems && h.GetMediaItem && h.GetMediaItemInfo_Value &&
           h.GetMediaItem_Track && h.GetMediaTrackInfo_Value && h.GetSet_ArrangeView2;
}

void ReadTrackColours(const ThemeColourSet& theme, uint32_t colours[4]) {
    for (int i = 0; i < 4; ++i) {
        int32_t c = g_host.GetThemeColor ? g_host.GetThemeColor(kTrackColourKeys[i], 0) : kNoColour;
        colours[i] = uint32_t(c == kNoColour ? theme.arrange_bg : c);
    }
}

void ReadPeaksColours(ItemOverlay& o) {
    o.peaks_count = 0;
    if (!g_host.GetThemeColor) {
        return;
    }
    for (const char* key : kPeaksColourKeys) {
        int32_t c = g_host.GetThemeColor(key, 0);
        if (c != kNoColour) {
            o.peaks[o.peaks_count++] = uint32_t(c);
        }
    }
}

// Host doubles to int after clamping into a range that every caller has already narrowed.
int ClampedInt(double v, double low, double high) {
    return int(std::clamp(v, low, high));
}

// Rounded to the nearest integer, halves away from zero; anything non-finite counts as track 0.
int TrackNumber(double v) {
    if (!std::isfinite(v)) {
        return 0;
    }
    return int(std::clamp(std::round(v), -2147483648.0, 2147483647.0));
}

uint8_t ItemKindOf(MediaItem* item, bool* custom_out) {
    MediaItem_Take* take = g_host.GetActiveTake ? g_host.GetActiveTake(item) : nullptr;
    const bool custom =
        g_host.GetDisplayedMediaItemColor2 && g_host.GetDisplayedMediaItemColor2(item, take) != 0;
    *custom_out = custom;
    if (take == nullptr || !g_host.TakeIsMIDI) {
        return kEmptyItem;
    }
    if (g_host.TakeIsMIDI(take)) {
        return custom ? kCustomMidiItem : kMidiItem;
    }
    return custom ? kCustomAudioItem : kAudioItem;
}

// One item's on-screen rectangle; false when it is invalid or lies outside the client area.
bool MeasureItem(MediaItem* item, MediaTrack* track, const ViewMapping& view, int width, int height,
                 const uint32_t track_colours[4], ItemRect* out) {
    const HostApi& h = g_host;
    const double pos = h.GetMediaItemInfo_Value(item, "D_POSITION");
    const double len = h.GetMediaItemInfo_Value(item, "D_LENGTH");
    const double lh = std::round(h.GetMediaItemInfo_Value(item, "I_LASTH"));
    if (!std::isfinite(pos) || !(len > 0) || !std::isfinite(len) || !(lh > 0) ||
        !std::isfinite(lh)) {
        return false;
    }
    const double xa = (pos - view.view_start) * view.pixels_per_second;
    const double xb = ((len + pos) - view.view_start) * view.pixels_per_second;
    if (!std::isfinite(xa) || !std::isfinite(xb)) {
        return false;
    }
    const int left = int(std::floor(std::clamp(xa - 1, 0.0, double(width))));
    const int right = int(std::ceil(std::clamp(xb + 1, 0.0, double(width))));

    const double item_y = std::round(h.GetMediaItemInfo_Value(item, "I_LASTY"));
    const double ty = std::round(h.GetMediaTrackInfo_Value(track, "I_TCPY")) + item_y;
    if (!std::isfinite(ty)) {
        return false;
    }
    const int top = ClampedInt(ty - 1, 0.0, double(height));
    const int bottom = ClampedInt(ty + lh + 1, 0.0, double(height));
    if (right <= left || bottom <= top) {
        return false;
    }

    bool custom = false;
    const uint8_t kind = ItemKindOf(item, &custom);
    const int number = TrackNumber(h.GetMediaTrackInfo_Value(track, "IP_TRACKNUMBER"));
    const bool selected = h.GetMediaTrackInfo_Value(track, "I_SELECTED") > 0.5;
    // Odd tracks (and the master, 0) use the first lane colour, even ones the second.
    const int colour_index = (number > 0 && number % 2 == 0 ? 1 : 0) + (selected ? 2 : 0);
    *out = {left, top, right, bottom, kind, track_colours[colour_index]};
    return true;
}

void PaintClassMap(ItemOverlay& o, const ThemeColourSet& theme, const std::vector<ItemRect>& items,
                   int width, int height) {
    if (items.empty()) {
        o.class_map.clear();
        o.row_colours.clear();
        return;
    }
    o.class_map.assign(size_t(width) * size_t(height), kNoItem);
    o.row_colours.assign(size_t(height), uint32_t(theme.arrange_bg));
    for (const ItemRect& r : items) {
        for (int y = r.top; y < r.bottom; ++y) {
            o.row_colours[size_t(y)] = r.row_colour;
            uint8_t* row = o.class_map.data() + size_t(y) * size_t(width);
            std::fill(row + r.left, row + r.right, r.kind);
        }
    }
}

} // namespace

bool UpdateItemLayout(ItemOverlay& o, const ThemeColourSet& theme, int width, int height) {
    if (width <= 0 || height <= 0 || !RequiredHostFunctionsBound()) {
        return false;
    }
    const HostApi& h = g_host;
    ReaProject* project = CurrentProject(h);
    if (project == nullptr) {
        return false;
    }
    double view_start = 0;
    double view_end = 0;
    h.GetSet_ArrangeView2(project, false, 0, 0, &view_start, &view_end);
    const double span = view_end - view_start;
    if (!(span > 0) || !std::isfinite(span)) {
        return false;
    }
    ViewMapping view = {view_start, width / span};
    if (h.GetHZoomLevel) {
        const double zoom = h.GetHZoomLevel();
        if (zoom > 0 && std::isfinite(zoom)) {
            view.pixels_per_second = zoom;
        }
    }
    const int count = std::max(h.CountMediaItems(project), 0);
    uint32_t track_colours[4];
    ReadTrackColours(theme, track_colours);
    ReadPeaksColours(o);

    try {
        std::vector<ItemRect> items;
        items.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            MediaItem* item = h.GetMediaItem(project, i);
            MediaTrack* track = item ? h.GetMediaItem_Track(item) : nullptr;
            ItemRect r;
            if (track && MeasureItem(item, track, view, width, height, track_colours, &r)) {
                items.push_back(r);
            }
        }
        if (width == o.layout_width && height == o.layout_height && items == o.items) {
            return true; // unchanged: the class map stays as it is
        }
        PaintClassMap(o, theme, items, width, height);
        o.items = std::move(items);
        o.layout_width = width;
        o.layout_height = height;
        return true;
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
    o.class_map = {};
    o.row_colours = {};
    o.items = {};
    o.layout_width = 0;
    o.layout_height = 0;
    return false;
}
