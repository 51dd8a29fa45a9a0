#include "keying/item_blend.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <vector>

#include "keying/class_runs.h"
#include "keying/item_backgrounds.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_cache.h"
#include "keying/wide_tables.h"

namespace {

// What the blend of an item pixel depends on besides its own colour and its wallpaper pixel.
struct ItemContext {
    const ItemMixTable* mix;
    bool midi;
    bool custom;
    bool inside;
    uint32_t lane_colour;
    Rgb lane;
    const KeyColourEntry* lane_entry; // null when the lane colour is not background
    const ItemBlend* blend;
    ItemScratch* scratch;
};

// For one captured colour in one context, each output channel is a function of the wallpaper's
// channel alone, so runs of a found item background colour map through tables like background.
// The tables belong to one table epoch (see wide_tables.h).
struct ItemTables {
    uint64_t key;
    uint64_t epoch; // the epoch that built them; 0 never
    alignas(64) uint32_t wide[kWideTableWords];
};

constexpr uint32_t kItemTableSlots = 128;
constexpr uint32_t kItemTableProbes = 8;
ItemTables g_item_tables[kItemTableSlots];

std::mutex g_fill_lock;

// Tables for colours other than a found one, near a MIDI item's edges: at most this many per
// call and thread. A table costs as much as a few hundred pixels, and anti-aliased edges bring
// many one-off colours.
constexpr int kNearTableBudget = 16;

// Works out the list of row y.
void FindCovering(ItemScratch& c, const std::vector<ItemBackground>& backgrounds, int y) {
    c.covering_call = g_composite_call;
    c.from = std::numeric_limits<int>::min();
    c.to = std::numeric_limits<int>::max();
    c.overlap = false;
    c.indices.clear();
    // Backgrounds are ordered by left edge, so an overlap shows as a left edge before the
    // right edge reached so far.
    int reached = std::numeric_limits<int>::min();
    for (size_t i = 0; i < backgrounds.size(); ++i) {
        const ItemBackground& b = backgrounds[i];
        if (y < b.top) {
            c.to = std::min(c.to, b.top);
        } else if (y >= b.bottom) {
            c.from = std::max(c.from, b.bottom);
        } else {
            c.from = std::max(c.from, b.top);
            c.to = std::min(c.to, b.bottom);
            c.overlap = c.overlap || b.left < reached;
            reached = std::max(reached, b.right);
            c.indices.push_back(uint32_t(i)); // within the reserved room
        }
    }
}

int WallpaperOver(int under, int wallpaper, double k, double opacity) {
    return TruncateToByte(std::min(k * wallpaper, 255.0) * opacity + under * (1 - opacity) + 0.5);
}

// One output channel from the captured value, the lane's value and the wallpaper's value.
int ItemChannel(const ItemContext& x, int captured, int lane, int wallpaper,
                const uint8_t* lane_table, double k) {
    int base = x.custom ? captured : lane;
    if (x.inside) {
        base = !x.custom && x.lane_entry != nullptr
                   ? lane_table[wallpaper]
                   : WallpaperOver(base, wallpaper, k, x.blend->opacity);
    }
    return x.mix->out[captured][base];
}

uint32_t BlendItemPixel(const ItemContext& x, uint32_t p, uint32_t v) {
    const Rgb c = RgbFromPixel(p);
    const Rgb w = RgbFromPixel(v);
    const KeyColourEntry* e = x.lane_entry;
    const TintFactors& k = x.blend->k;
    const int red = ItemChannel(x, c.red, x.lane.red, w.red, e ? e->red_table : nullptr, k.red);
    const int green =
        ItemChannel(x, c.green, x.lane.green, w.green, e ? e->green_table : nullptr, k.green);
    const int blue =
        ItemChannel(x, c.blue, x.lane.blue, w.blue, e ? e->blue_table : nullptr, k.blue);
    return (p & kFourthByte) | uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
}

uint64_t TablesKey(const ItemContext& x, uint32_t colour) {
    return uint64_t(colour) | uint64_t(x.lane_colour & kRgbMask) << 24 | uint64_t(x.custom) << 48 |
           uint64_t(x.inside) << 49 | uint64_t(x.midi) << 50;
}

// The slot holding the key in this epoch (*found), else a slot free in this epoch, or null
// when every probed slot holds another key. Slots of this epoch are never overwritten within it:
// other threads of the call may be reading them.
ItemTables* SlotFor(uint64_t key, bool* found) {
    const uint32_t home = uint32_t((key * 0x9E3779B97F4A7C15u) >> 57);
    for (uint32_t probe = 0; probe < kItemTableProbes; ++probe) {
        ItemTables& candidate = g_item_tables[(home + probe) % kItemTableSlots];
        const bool current = __atomic_load_n(&candidate.epoch, __ATOMIC_ACQUIRE) == g_table_epoch;
        if (!current || candidate.key == key) {
            *found = current;
            return &candidate;
        }
    }
    *found = false;
    return nullptr;
}

// The tables of a colour when this epoch already made them, else null.
const uint32_t* FindTables(const ItemContext& x, uint32_t colour) {
    bool found = false;
    const ItemTables* t = SlotFor(TablesKey(x, colour), &found);
    return found ? t->wide : nullptr;
}

// Valid until the end of the call, or (when every slot it may take is in use) until this
// thread's next fill.
const uint32_t* TablesFor(const ItemContext& x, uint32_t colour) {
    const uint64_t key = TablesKey(x, colour);
    bool found = false;
    ItemTables* t = SlotFor(key, &found);
    if (found) {
        return t->wide;
    }
    const std::lock_guard<std::mutex> hold(g_fill_lock);
    t = SlotFor(key, &found); // another thread may have filled it meanwhile
    if (found) {
        return t->wide;
    }
    const Rgb c = RgbFromPixel(colour);
    const KeyColourEntry* e = x.lane_entry;
    const TintFactors& k = x.blend->k;
    uint8_t blue[256];
    uint8_t green[256];
    uint8_t red[256];
    for (int v = 0; v < 256; ++v) {
        blue[v] =
            uint8_t(ItemChannel(x, c.blue, x.lane.blue, v, e ? e->blue_table : nullptr, k.blue));
        green[v] = uint8_t(
            ItemChannel(x, c.green, x.lane.green, v, e ? e->green_table : nullptr, k.green));
        red[v] = uint8_t(ItemChannel(x, c.red, x.lane.red, v, e ? e->red_table : nullptr, k.red));
    }
    uint32_t* wide = t != nullptr ? t->wide : x.scratch->spares->item;
    WidenTables(blue, green, red, wide);
    if (t != nullptr) {
        t->key = key;
        __atomic_store_n(&t->epoch, g_table_epoch, __ATOMIC_RELEASE);
    }
    return wide;
}

bool TakeNearTableBudget(ItemScratch& s) {
    if (s.near_budget_call != g_composite_call) {
        s.near_budget_call = g_composite_call;
        s.near_tables_left = kNearTableBudget;
    }
    if (s.near_tables_left <= 0) {
        return false;
    }
    --s.near_tables_left;
    return true;
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

void SetKind(ItemContext& x, uint8_t kind, const ItemBlend& blend) {
    x.mix = MixFor(kind, blend);
    x.midi = kind == kMidiItem || kind == kCustomMidiItem;
    x.custom = kind == kCustomAudioItem || kind == kCustomMidiItem;
}

// The marked pixels of columns [j, end), all of one kind and on one side of the picture's edge.
template <bool kProtect>
void BlendMarked(const RowSurfaces& row, const uint8_t* mask, int j, int end,
                 const ItemContext& x) {
    while (j < end) {
        const uint8_t m = mask[j];
        if (m == 0) {
            ++j;
            continue;
        }
        const uint32_t p = row.work[j];
        if ((m & kMarkedExact) != 0) {
            // Only found background colours get tables: they are few, and they fill the items.
            const uint32_t colour = p & kRgbMask;
            j = MapMarkedRunOfColour<kProtect>(row, mask, j, end, colour, TablesFor(x, colour));
            continue;
        }
        if (!kProtect || !SameRgb(p, row.last[j])) {
            row.work[j] = BlendItemPixel(x, p, row.fitted[j]);
        }
        ++j;
    }
}

// Where backgrounds overlap, a pixel counts when any of them marks it: the row is marked first
// and the marked pixels of columns [j, end) are blended kind by kind.
template <bool kProtect>
void BlendThroughMask(const RowSurfaces& row, const uint8_t* classes, const uint8_t* mask, int j,
                      int end, int inside_lo, int inside_hi, ItemContext& x) {
    while (j < end) {
        const uint8_t kind = classes[j];
        const int kind_end = EndOfKind(classes, j, end, kind);
        SetKind(x, kind, *x.blend);
        if (x.mix != nullptr) {
            // In contain mode item pixels outside the picture mix toward a plain base.
            const int a = std::clamp(inside_lo, j, kind_end);
            const int b = std::clamp(inside_hi, a, kind_end);
            x.inside = false;
            BlendMarked<kProtect>(row, mask, j, a, x);
            BlendMarked<kProtect>(row, mask, b, kind_end, x);
            x.inside = true;
            BlendMarked<kProtect>(row, mask, a, b, x);
        }
        j = kind_end;
    }
}

// One background's exact colour over columns [j, end) of its kind: the pixels that show the
// colour map through its tables, the others (waveforms, notes) stay.
template <bool kProtect>
void BlendExact(const RowSurfaces& row, const uint8_t* classes, int j, int end, uint8_t kind,
                uint32_t colour, int inside_lo, int inside_hi, ItemContext& x) {
    while (j < end) {
        if (classes[j] != kind) {
            ++j;
            continue;
        }
        const int run_end = EndOfKind(classes, j, end, kind);
        const int a = std::clamp(inside_lo, j, run_end);
        const int b = std::clamp(inside_hi, a, run_end);
        const int cuts[4] = {j, a, b, run_end};
        for (int s = 0; s < 3; ++s) {
            if (cuts[s] < cuts[s + 1]) {
                x.inside = s == 1;
                MapPixelsOfColour<kProtect>(row, cuts[s], cuts[s + 1], colour,
                                            TablesFor(x, colour));
            }
        }
        j = run_end;
    }
}

// Near a MIDI item's edges: pixels of its kind within tolerance of the colour. Columns [j, end)
// lie on one side of the picture's edge. Besides the found colour, colours that come in runs
// there (a name bar drawn in a near colour) get tables too, within the budget.
template <bool kProtect>
void BlendNearSidePlain(const RowSurfaces& row, const uint8_t* classes, int j, int end,
                        uint8_t kind, uint32_t colour, const ItemContext& x) {
    uint32_t memo_colour = 0;
    const uint32_t* memo = nullptr; // tables of memo_colour
    int kind_end = j;               // columns [j, kind_end) are of the kind, once found
    for (; j < end; ++j) {
        if (memo != nullptr && classes[j] == kind && SameRgb(row.work[j], memo_colour)) {
            // A run of the last colour with tables maps like background.
            if (kind_end <= j) {
                kind_end = EndOfKind(classes, j, end, kind);
            }
            j = MapRunOfColour<kProtect>(row, j, kind_end, memo_colour, memo) - 1;
            continue;
        }
        const uint32_t p = row.work[j];
        if (classes[j] != kind || !WithinMidiEdgeTolerance(p, colour) ||
            (kProtect && SameRgb(p, row.last[j]))) {
            continue;
        }
        if (memo == nullptr || !SameRgb(p, memo_colour)) {
            const uint32_t c = p & kRgbMask;
            const bool run = j + 1 < end && SameRgb(row.work[j + 1], c);
            memo = c == colour ? TablesFor(x, c) : FindTables(x, c);
            if (memo == nullptr && run && TakeNearTableBudget(*x.scratch)) {
                memo = TablesFor(x, c);
            }
            memo_colour = c;
            if (memo == nullptr) {
                row.work[j] = BlendItemPixel(x, p, row.fitted[j]);
                continue;
            }
        }
        row.work[j] = MapPixel(p, row.fitted[j], memo);
    }
}

// Columns the vector near pass takes at a time, and the colours it maps in passes over them
// before the rest goes one by one.
constexpr int kNearChunk = 512;
constexpr int kNearPasses = 8;

// The tables a near pixel of colour c maps through, or null to blend it one by one; run: the
// next pixel has the same colour.
const uint32_t* NearTables(const ItemContext& x, uint32_t c, uint32_t colour, bool run) {
    if (c == colour) {
        return TablesFor(x, c);
    }
    const uint32_t* found = FindTables(x, c);
    if (found == nullptr && run && TakeNearTableBudget(*x.scratch)) {
        found = TablesFor(x, c);
    }
    return found;
}

// As BlendNearSidePlain, chunk by chunk: the near pixels are found sixteen at a time, then
// mapped colour by colour as background chunks are.
template <bool kProtect>
void BlendNearSideVector(const RowSurfaces& row, const uint8_t* classes, int j, int end,
                         uint8_t kind, uint32_t colour, const ItemContext& x) {
    for (; j < end; j += kNearChunk) {
        const int chunk_end = std::min(end, j + kNearChunk);
        const int blocks = (chunk_end - j + 15) / 16;
        uint16_t done[kNearChunk / 16];
        NearLanesVector(row.work, kProtect ? row.last : nullptr, classes, j, chunk_end, kind,
                        colour, kMidiEdgeTolerance, done);
        for (int b = 0; b < blocks; ++b) {
            done[b] = uint16_t(~done[b]);
        }
        int first = 0; // every block before it is done
        for (int pass = 0; pass < kNearPasses; ++pass) {
            while (first < blocks && done[first] == 0xFFFF) {
                ++first;
            }
            if (first == blocks) {
                break;
            }
            const int at = j + 16 * first + __builtin_ctz(~uint32_t(done[first]));
            const uint32_t c = row.work[at] & kRgbMask;
            const bool run = at + 1 < chunk_end && SameRgb(row.work[at + 1], c);
            const uint32_t* tables = NearTables(x, c, colour, run);
            if (tables == nullptr) {
                row.work[at] = BlendItemPixel(x, row.work[at], row.fitted[at]);
                done[first] = uint16_t(done[first] | 1u << ((at - j) % 16));
                continue;
            }
            const uint32_t same[4] = {c, c, c, c};
            MapUnmatchedOfColourVector(row.work, row.fitted, nullptr, j + 16 * first, chunk_end, c,
                                       TableBytes(tables), same, done + first);
        }
        uint32_t memo_colour = 0;
        const uint32_t* memo = nullptr;
        bool known = false;
        for (int b = first; b < blocks; ++b) {
            for (uint32_t rest = ~uint32_t(done[b]) & 0xFFFFu; rest != 0; rest &= rest - 1) {
                const int at = j + 16 * b + __builtin_ctz(rest);
                const uint32_t p = row.work[at];
                if (!known || !SameRgb(p, memo_colour)) {
                    memo_colour = p & kRgbMask;
                    memo = NearTables(x, memo_colour, colour, false);
                    known = true;
                }
                row.work[at] = memo != nullptr ? MapPixel(p, row.fitted[at], memo)
                                               : BlendItemPixel(x, p, row.fitted[at]);
            }
        }
    }
}

template <bool kProtect>
void BlendNearSide(const RowSurfaces& row, const uint8_t* classes, int j, int end, uint8_t kind,
                   uint32_t colour, const ItemContext& x) {
    if (TakeVectorPath(row, j, end)) {
        BlendNearSideVector<kProtect>(row, classes, j, end, kind, colour, x);
    } else {
        BlendNearSidePlain<kProtect>(row, classes, j, end, kind, colour, x);
    }
}

template <bool kProtect>
void BlendNear(const RowSurfaces& row, const uint8_t* classes, int j, int end, uint8_t kind,
               uint32_t colour, int inside_lo, int inside_hi, ItemContext& x) {
    const int a = std::clamp(inside_lo, j, end);
    const int b = std::clamp(inside_hi, a, end);
    x.inside = false;
    BlendNearSide<kProtect>(row, classes, j, a, kind, colour, x);
    BlendNearSide<kProtect>(row, classes, b, end, kind, colour, x);
    x.inside = true;
    BlendNearSide<kProtect>(row, classes, a, b, kind, colour, x);
}

template <bool kProtect>
void BlendBackgroundRow(const RowSurfaces& row, const uint8_t* classes, const ItemBackground& b,
                        int y, int x0, int inside_lo, int inside_hi, ItemContext& x) {
    SetKind(x, b.kind, *x.blend);
    if (x.mix == nullptr) {
        return; // not found for kinds that are off; kept for safety
    }
    const int left = b.left - x0;
    const int right = b.right - x0;
    if (!b.near_edges) {
        BlendExact<kProtect>(row, classes, left, right, b.kind, b.colour, inside_lo, inside_hi, x);
    } else if (y >= b.inner_top && y < b.inner_bottom) {
        // The inner area of a MIDI item takes the exact colour only.
        const int il = b.inner_left - x0;
        const int ir = b.inner_right - x0;
        BlendNear<kProtect>(row, classes, left, il, b.kind, b.colour, inside_lo, inside_hi, x);
        BlendExact<kProtect>(row, classes, il, ir, b.kind, b.colour, inside_lo, inside_hi, x);
        BlendNear<kProtect>(row, classes, ir, right, b.kind, b.colour, inside_lo, inside_hi, x);
    } else {
        BlendNear<kProtect>(row, classes, left, right, b.kind, b.colour, inside_lo, inside_hi, x);
    }
}

template <bool kProtect> void BlendSpan(ItemRow& r, int s, int e) {
    PrefetchNextRow(r.row, s, e);
    ItemContext x = {};
    x.lane_colour = r.lane_colour;
    x.lane = RgbFromTheme(r.lane_colour);
    // Looked up per span: it may be in the spare entry, which lasts until the next lookup.
    const uint32_t lane_rgb =
        uint32_t(x.lane.red) << 16 | uint32_t(x.lane.green) << 8 | uint32_t(x.lane.blue);
    const KeyColourEntry& lane_entry = LookupKeyColourShared(
        KeyColourKey(lane_rgb, false), r.scratch->spares->lane_entry, *r.blend->keying);
    x.lane_entry = lane_entry.is_key != 0 ? &lane_entry : nullptr;
    x.blend = r.blend;
    x.scratch = r.scratch;
    if (r.mask != nullptr) {
        BlendThroughMask<kProtect>(r.row, r.classes, r.mask, s, e, r.inside_lo, r.inside_hi, x);
        return;
    }
    // A background lies inside one span of item pixels, and the list is ordered by left edge.
    const std::vector<ItemBackground>& backgrounds = *r.blend->backgrounds;
    for (; r.next < r.count && backgrounds[r.covering[r.next]].left - r.x0 < e; ++r.next) {
        BlendBackgroundRow<kProtect>(r.row, r.classes, backgrounds[r.covering[r.next]], r.y, r.x0,
                                     r.inside_lo, r.inside_hi, x);
    }
}

} // namespace

void ReserveItemRows(ItemScratch& scratch, size_t count) {
    scratch.covering_call = 0;
    scratch.indices.reserve(count);
}

void BeginItemRow(ItemRow& r, uint8_t* mask_scratch) {
    ItemScratch& c = *r.scratch;
    if (c.covering_call != g_composite_call || r.y < c.from || r.y >= c.to) {
        FindCovering(c, *r.blend->backgrounds, r.y);
    }
    r.next = 0;
    r.mask = nullptr;
    r.covering = c.indices.data();
    r.count = c.indices.size();
    r.active = r.count != 0;
    if (c.overlap) {
        MarkItemBackgroundRow(*r.blend->backgrounds, r.y, r.w, r.x0, r.classes, r.row.work,
                              mask_scratch);
        r.mask = mask_scratch;
    }
}

void BlendItemSpan(ItemRow& r, int s, int e) {
    if (r.row.last != nullptr) {
        BlendSpan<true>(r, s, e);
    } else {
        BlendSpan<false>(r, s, e);
    }
}
