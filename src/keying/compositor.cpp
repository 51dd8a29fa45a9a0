#include "keying/compositor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "frame/frame_view.h"
#include "keying/colour_math.h"
#include "keying/item_mix_table.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_cache.h"
#include "keying/selection_band.h"
#include "settings/project_settings.h"

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFF;
constexpr uint32_t kFourthByte = 0xFF000000;
constexpr uint32_t kBandBit = 1u << 24;

// Everything about item blending that is the same for the whole call.
struct ItemBlend {
    const ItemMixTable* audio_mix; // null when that transparency is off
    const ItemMixTable* midi_mix;
    double opacity;
    TintFactors k;
};

// The base an item channel is mixed toward when the lane's keyed table does not give it: the
// tinted wallpaper over the item's own colour (custom) or over a lane that is not background.
int WallpaperOver(int under, int wallpaper, double k, double opacity) {
    return TruncateToByte(std::min(k * wallpaper, 255.0) * opacity + under * (1 - opacity) + 0.5);
}

// One row of the rectangle: pointers into the surfaces at its first pixel, all indexed by j.
struct Row {
    uint32_t* work;
    const uint32_t* fitted;
    const uint32_t* last;   // null when the last-frame protection is off
    const uint8_t* classes; // null when there is no class map
    const uint8_t* mask;    // null when no item pixel can be blended
    uint32_t lane_colour;
    int y;
    int inside_lo; // columns [inside_lo, inside_hi) lie inside the picture
    int inside_hi;
};

// The end of the run of background-candidate columns (class 0) that starts at j. Eight class
// bytes are tested at a time: item rectangles are a minority of the view.
int EndOfBackground(const uint8_t* classes, int j, int end) {
    while (end - j >= 8) {
        uint64_t word;
        std::memcpy(&word, classes + j, sizeof word);
        if (word != 0) {
            break;
        }
        j += 8;
    }
    while (j < end && classes[j] == kNoItem) {
        ++j;
    }
    return j;
}

int EndOfItems(const uint8_t* classes, int j, int end) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    while (end - j >= 8) {
        uint64_t word;
        std::memcpy(&word, classes + j, sizeof word);
        if (((word - kOnes) & ~word & kHighBits) != 0) {
            break; // some byte of the word is zero
        }
        j += 8;
    }
    while (j < end && classes[j] != kNoItem) {
        ++j;
    }
    return j;
}

// Hardware prefetchers lose the stream wherever item rectangles are skipped; ask for the lines
// a few hundred bytes ahead explicitly. Only an address is formed, nothing is read.
void PrefetchAhead(const uint32_t* p) {
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + 512));
}

// The end of the run of pixels from j on that have this colour.
int EndOfColour(const uint32_t* work, int j, int end, uint32_t colour) {
    while (j < end && (work[j] & kRgbMask) == colour) {
        PrefetchAhead(work + j);
        ++j;
    }
    return j;
}

// Keys columns [j, end), all background candidates sharing one band state. Arrange views are
// long runs of one colour, so the decision is looked up once per run and reused while the
// colour repeats; the loops below are the whole cost of a frame.
void KeyBackgroundRun(const Row& row, int j, int end, uint32_t band_bit) {
    uint32_t* work = row.work;
    const uint32_t* fitted = row.fitted;
    const uint32_t* last = row.last;
    while (j < end) {
        const uint32_t colour = work[j] & kRgbMask;
        const KeyColourEntry& e = LookupKeyColourByKey(colour | band_bit);
        const int run_end = EndOfColour(work, j + 1, end, colour);
        if (e.is_key == 0) {
            j = run_end;
            continue;
        }
        const uint8_t* blue = e.blue_table;
        const uint8_t* green = e.green_table;
        const uint8_t* red = e.red_table;
        for (; j < run_end; ++j) {
            const uint32_t p = work[j];
            if (last != nullptr && ((p ^ last[j]) & kRgbMask) == 0) {
                continue;
            }
            PrefetchAhead(fitted + j);
            const uint32_t v = fitted[j];
            work[j] = (p & kFourthByte) | uint32_t(red[(v >> 16) & 0xFF]) << 16 |
                      uint32_t(green[(v >> 8) & 0xFF]) << 8 | blue[v & 0xFF];
        }
    }
}

const ItemMixTable* MixFor(uint8_t kind, const ItemBlend& b) {
    switch (kind) {
    case kAudioItem:
    case kCustomAudioItem:
        return b.audio_mix;
    case kMidiItem:
    case kCustomMidiItem:
        return b.midi_mix;
    default:
        return nullptr; // items without a take are never blended
    }
}

// Item background pixels show the wallpaper as it would look on the bare lane (the lane colour
// keyed like background), or over their own colour when custom-coloured, mixed over the
// captured pixel by the item transparency. Columns [j, end) all hold items of one kind.
void BlendItemKindRun(const Row& row, int j, int end, uint8_t kind, const ItemMixTable& mix,
                      const KeyColourEntry& lane_entry, const ItemBlend& blend) {
    const bool custom = kind == kCustomAudioItem || kind == kCustomMidiItem;
    const Rgb lane = RgbFromTheme(row.lane_colour);
    const bool lane_keyed = lane_entry.is_key != 0;
    for (; j < end; ++j) {
        if (row.mask[j] == 0) {
            continue;
        }
        const uint32_t p = row.work[j];
        if (row.last && ((p ^ row.last[j]) & kRgbMask) == 0) {
            continue;
        }
        const bool inside = j >= row.inside_lo && j < row.inside_hi;
        const Rgb c = RgbFromPixel(p);
        const Rgb v = RgbFromPixel(row.fitted[j]);
        Rgb base = custom ? c : lane;
        if (inside && !custom && lane_keyed) {
            base = {lane_entry.red_table[v.red], lane_entry.green_table[v.green],
                    lane_entry.blue_table[v.blue]};
        } else if (inside) {
            base = {WallpaperOver(base.red, v.red, blend.k.red, blend.opacity),
                    WallpaperOver(base.green, v.green, blend.k.green, blend.opacity),
                    WallpaperOver(base.blue, v.blue, blend.k.blue, blend.opacity)};
        }
        row.work[j] = (p & kFourthByte) | uint32_t(mix.out[c.red][base.red]) << 16 |
                      uint32_t(mix.out[c.green][base.green]) << 8 | mix.out[c.blue][base.blue];
    }
}

void BlendItemRun(const Row& row, int j, int end, const ItemBlend& blend) {
    const Rgb lane = RgbFromTheme(row.lane_colour);
    const KeyColourEntry& lane_entry =
        LookupKeyColour(uint8_t(lane.red), uint8_t(lane.green), uint8_t(lane.blue), false);
    while (j < end) {
        const uint8_t kind = row.classes[j];
        int kind_end = j + 1;
        while (kind_end < end && row.classes[kind_end] == kind) {
            ++kind_end;
        }
        if (const ItemMixTable* mix = MixFor(kind, blend)) {
            BlendItemKindRun(row, j, kind_end, kind, *mix, lane_entry, blend);
        }
        j = kind_end;
    }
}

} // namespace

void CompositeRegion(int w, int h, int x0, int y0, bool protect) {
    const FrameView& f = g_frame;
    const SelectionBand band = ComputeSelectionBand(f.width);
    BuildItemBackgroundMask(w, h, x0, y0, band.left, band.right);
    if (!RegionInsideFrame(w, h, x0, y0) || f.fitted == nullptr) {
        return;
    }

    const ItemOverlay& o = g_item_overlay;
    const ProjectSettings& s = g_current_settings;
    const size_t width = size_t(f.width);
    const bool protect_on = protect && f.last_frame_valid && f.last_frame != nullptr;
    const bool contain = s.mode == FitMode::contain;
    const PixelRect pic = f.picture_rect;
    // Item pixels need their mask and a lane colour for every row. !(t > 0): a NaN
    // transparency leaves items alone like 0 does.
    const bool items_blend = !o.item_mask.empty() && o.row_colours.size() == size_t(f.height);
    const double audio = s.audio_item_transparency;
    const double midi = s.midi_item_transparency;
    const ItemBlend blend = {
        items_blend && audio > 0 ? &PrepareItemMixTable(g_audio_item_mix, audio) : nullptr,
        items_blend && midi > 0 ? &PrepareItemMixTable(g_midi_item_mix, midi) : nullptr, s.opacity,
        ComputeTintFactors(s.tint_rgb, s.tint)};
    // In work columns: a pixel is in the band when band.left < x < band.right - 1.
    const int band_lo = int(std::clamp<int64_t>(int64_t(band.left) + 1 - x0, 0, w));
    const int band_hi = int(std::clamp<int64_t>(int64_t(band.right) - 1 - x0, band_lo, w));

    for (int i = 0; i < h; ++i) {
        Row row = {};
        row.y = y0 + i;
        const size_t client = size_t(row.y) * width + size_t(x0);
        row.work = f.working + size_t(i) * width;
        row.fitted = f.fitted + client;
        row.last = protect_on ? f.last_frame + client : nullptr;
        row.classes = o.class_map.empty() ? nullptr : o.class_map.data() + client;
        row.mask = items_blend ? o.item_mask.data() + size_t(i) * size_t(w) : nullptr;
        row.lane_colour = items_blend ? o.row_colours[size_t(row.y)] : 0;
        // In contain mode background outside the picture stays as captured.
        row.inside_lo = 0;
        row.inside_hi = w;
        if (contain) {
            if (row.y < pic.top || row.y >= pic.bottom) {
                row.inside_hi = 0;
            } else {
                row.inside_lo = int(std::clamp<int64_t>(int64_t(pic.left) - x0, 0, w));
                row.inside_hi = int(std::clamp<int64_t>(int64_t(pic.right) - x0, row.inside_lo, w));
            }
        }

        for (int j = 0; j < w;) {
            const int end = row.classes ? EndOfBackground(row.classes, j, w) : w;
            // The background run, cut at the picture's edges and at the band's edges.
            const int lo = std::max(j, row.inside_lo);
            const int hi = std::min(end, row.inside_hi);
            if (lo < hi) {
                const int c1 = std::clamp(band_lo, lo, hi);
                const int c2 = std::clamp(band_hi, c1, hi);
                KeyBackgroundRun(row, lo, c1, 0);
                KeyBackgroundRun(row, c1, c2, kBandBit);
                KeyBackgroundRun(row, c2, hi, 0);
            }
            j = end;
            if (j < w) {
                const int item_end = EndOfItems(row.classes, j, w);
                if (row.mask != nullptr) {
                    BlendItemRun(row, j, item_end, blend);
                }
                j = item_end;
            }
        }
    }
}
