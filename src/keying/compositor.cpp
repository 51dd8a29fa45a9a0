#include "keying/compositor.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "base/row_workers.h"
#include "keying/chunk_colours.h"
#include "keying/class_runs.h"
#include "keying/colour_math.h"
#include "keying/item_backgrounds.h"
#include "keying/item_blend.h"
#include "keying/item_mix_table.h"
#include "keying/key_colour_tables.h"
#include "keying/pixel_runs.h"
#include "keying/selection_band.h"
#include "keying/wide_tables.h"

namespace {

// What the rows of one call share.
struct Region {
    const FrameView* frame;
    const ItemOverlay* items;
    int w;
    int h;
    int x0;
    int y0;
    bool contain;
    PixelRect picture;
    int band_lo; // work columns [band_lo, band_hi) are in the time selection band
    int band_hi;
    uint32_t view_bits; // key bits of the view the call keys (kNoteViewKeyBit or 0)
    bool items_blend;   // some item pixel may be blended; row masks have room for a row
    ItemBlend blend;
    bool protect;       // with a valid last frame
    ProcessorPath path; // the kernels' path for every row of the call
};

// The vector path keys a chunk of a row that grid lines and shades cut into runs of a few pixels
// in three steps (see chunk_colours.h) rather than run by run.
constexpr int kChunkColumns = kMaxStagedColumns;
// Below this many staged pixels, packing them costs more than keying them one by one.
constexpr int kStagedForOneByOne = 12;

// What each thread compositing rows of a call keeps for itself; [0] is the calling thread's.
// Grows to the widest rectangle and stays.
struct RowScratch {
    TableSpares spares;
    ChunkMemory chunks;
    ItemScratch items;
    std::vector<uint8_t> row_mask; // the item mask of a row where found backgrounds overlap
};
RowScratch g_scratch[kMaxRowThreads];

// The pixels of columns [j, end) that matched does not mark, keyed one by one.
template <bool kProtect>
void KeyUnmatched(const RowSurfaces& row, int j, int end, uint32_t band_bit,
                  const uint16_t* matched, RowScratch& s) {
    bool known = false;
    uint32_t memo_colour = 0;
    const uint32_t* memo = nullptr; // tables of memo_colour, null when it is not background
    for (int base = j; base < end; base += 16, ++matched) {
        uint32_t rest = ~uint32_t(*matched) & 0xFFFFu;
        while (rest != 0) {
            const int x = base + __builtin_ctz(rest);
            rest &= rest - 1;
            const uint32_t p = row.work[x];
            if (!known || !SameRgb(p, memo_colour)) {
                memo_colour = p & kRgbMask;
                memo = KeyedWideTables(memo_colour | band_bit, s.spares);
                known = true;
            }
            if (memo != nullptr && !(kProtect && SameRgb(p, row.last[x]))) {
                row.work[x] = MapPixel(p, row.fitted[x], memo);
            }
        }
    }
}

// Columns [j, end), at most kChunkColumns.
template <bool kProtect>
void KeyChunkVector(const RowSurfaces& row, int j, int end, uint32_t band_bit, RowScratch& s) {
    const uint32_t first = LikelyChunkColour(row.work, j, end) | band_bit;
    const uint32_t* wide = KeyedWideTables(first, s.spares);
    StagedPixels staged;
    MapFirstColourAndStage(row.work, row.fitted, kProtect ? row.last : nullptr, j, end, first,
                           wide != nullptr ? TableBytes(wide) : nullptr, staged);
    if (staged.count > kStagedForOneByOne) {
        KeyStagedPixels(staged, band_bit, s.chunks, s.spares);
        UnstageVector(row.work, j, end, staged);
    } else if (staged.count > 0) {
        uint16_t matched[kChunkColumns / 16] = {};
        for (int b = 0; b < (end - j + 15) / 16; ++b) {
            matched[b] = uint16_t(~staged.lanes[b]);
        }
        KeyUnmatched<kProtect>(row, j, end, band_bit, matched, s);
    }
}

// The last colours a span met that are not background (grid lines, mostly), newest first. Slots
// not yet used repeat the first colour: any other filler would be some pixel's colour too.
struct PassedColours {
    uint32_t colours[4] = {};
    bool any = false;

    void Remember(uint32_t colour) {
        if (!any) {
            colours[0] = colours[1] = colours[2] = colours[3] = colour;
            any = true;
            return;
        }
        if (colour == colours[0] || colour == colours[1] || colour == colours[2] ||
            colour == colours[3]) {
            return;
        }
        colours[3] = colours[2];
        colours[2] = colours[1];
        colours[1] = colours[0];
        colours[0] = colour;
    }
};

// Maps the run of `colour` from column j and, on the vector path, on across lines of the colours
// passed over (rows of one colour that lines cut every few pixels, as the MIDI editor's note rows
// are) in one pass with its tables held. Returns where that stopped.
template <bool kProtect>
int MapRunAcrossPassedLines(const RowSurfaces& row, int j, int end, uint32_t colour,
                            const uint32_t* wide, const PassedColours& passed) {
    if (!TakeVectorPath(row, j, end)) {
        return MapRunOfColour<kProtect>(row, j, end, colour, wide);
    }
    const uint32_t alone[4] = {colour, colour, colour, colour};
    return MapColourAmongVector(row.work, row.fitted, kProtect ? row.last : nullptr, j, end, colour,
                                passed.any ? passed.colours : alone, TableBytes(wide));
}

// Whether columns from j on leave room for a chunk worth its passes.
inline bool RoomForChunk(const RowSurfaces& row, int j, int end) {
    return TakeVectorPath(row, j, end) && end - j >= 64;
}

// Keys columns [j, end), all background candidates sharing one band state: one probe of the
// call's tables per run of a colour (the key colour cache is asked at its first run in the
// call), then the run maps through the tables.
template <bool kProtect>
void KeyBackgroundRun(const RowSurfaces& row, int j, int end, uint32_t band_bit, RowScratch& s) {
    // Once a key colour run turns out short, the rest of the span goes chunk by chunk; not in
    // the note view, whose flat rows are cut only by lines and notes, which the runs pass over.
    const bool chunks = (band_bit & kNoteViewKeyBit) == 0;
    bool short_runs = false;
    PassedColours passed;
    while (j < end) {
        const uint32_t colour = row.work[j] & kRgbMask;
        const uint32_t* wide = KeyedWideTables(colour | band_bit, s.spares);
        if (wide == nullptr) {
            passed.Remember(colour);
            j = EndOfColourFrom(row, j + 1, end, colour);
        } else if (short_runs && RoomForChunk(row, j, end)) {
            const int chunk_end = std::min(end, j + kChunkColumns);
            KeyChunkVector<kProtect>(row, j, chunk_end, band_bit, s);
            j = chunk_end;
        } else if (!chunks) {
            j = MapRunAcrossPassedLines<kProtect>(row, j, end, colour, wide, passed);
        } else {
            // A run first, so that a short one turns the rest of the span to chunks.
            const int run_end = MapRunOfColour<kProtect>(row, j, end, colour, wide);
            short_runs = short_runs || run_end - j < 16;
            // Across lines only on the vector path: the plain loops would only find the run's
            // end again.
            j = passed.any && TakeVectorPath(row, run_end, end)
                    ? MapRunAcrossPassedLines<kProtect>(row, run_end, end, colour, wide, passed)
                    : run_end;
        }
    }
}

template <bool kProtect>
void KeyBackground(const Region& r, const RowSurfaces& row, int lo, int hi, RowScratch& s) {
    PrefetchNextRow(row, lo, hi);
    const int c1 = std::clamp(r.band_lo, lo, hi);
    const int c2 = std::clamp(r.band_hi, c1, hi);
    KeyBackgroundRun<kProtect>(row, lo, c1, r.view_bits, s);
    KeyBackgroundRun<kProtect>(row, c1, c2, kBandKeyBit | r.view_bits, s);
    KeyBackgroundRun<kProtect>(row, c2, hi, r.view_bits, s);
}

// Rows [first, end) of the rectangle.
template <bool kProtect> void CompositeRows(const Region& r, RowScratch& s, int first, int end) {
    const FrameView& f = *r.frame;
    const ItemOverlay& o = *r.items;
    const size_t width = size_t(f.width);
    for (int i = first; i < end; ++i) {
        const int y = r.y0 + i;
        const size_t client = size_t(y) * width + size_t(r.x0);
        const bool last_row = i + 1 == r.h;
        const RowSurfaces row = {f.working + size_t(i) * width,
                                 f.fitted + client,
                                 kProtect ? f.last_frame + client : nullptr,
                                 last_row ? nullptr : f.working + size_t(i + 1) * width,
                                 last_row ? nullptr : f.fitted + client + width,
                                 r.path};
        const uint8_t* classes = o.class_map.empty() ? nullptr : o.class_map.data() + client;
        // In contain mode background outside the picture stays as captured.
        int inside_lo = 0;
        int inside_hi = r.w;
        if (r.contain) {
            if (y < r.picture.top || y >= r.picture.bottom) {
                inside_hi = 0;
            } else {
                inside_lo = int(std::clamp<int64_t>(int64_t(r.picture.left) - r.x0, 0, r.w));
                inside_hi =
                    int(std::clamp<int64_t>(int64_t(r.picture.right) - r.x0, inside_lo, r.w));
            }
        }
        if (classes == nullptr) {
            KeyBackground<kProtect>(r, row, inside_lo, inside_hi, s);
            continue;
        }
        ItemRow items = {row,      classes,  y,     r.x0,    r.w,     inside_lo, inside_hi, 0,
                         &r.blend, &s.items, false, nullptr, nullptr, 0,         0};
        if (r.items_blend) {
            items.lane_colour = o.row_colours[size_t(y)];
            BeginItemRow(items, s.row_mask.data());
        }
        // One walk along the row: background spans are keyed, item spans blended.
        for (int j = 0; j < r.w;) {
            const int end = EndOfKind(classes, j, r.w, kNoItem);
            const int lo = std::max(j, inside_lo);
            const int hi = std::min(end, inside_hi);
            if (lo < hi) {
                KeyBackground<kProtect>(r, row, lo, hi, s);
            }
            if (end == r.w) {
                break;
            }
            j = EndOfItems(classes, end, r.w);
            if (items.active) {
                BlendItemSpan(items, end, j);
            }
        }
    }
}

void CompositeBlock(const void* context, int thread, int first, int end) noexcept {
    const Region& r = *static_cast<const Region*>(context);
    RowScratch& s = g_scratch[thread];
    if (r.protect) {
        CompositeRows<true>(r, s, first, end);
    } else {
        CompositeRows<false>(r, s, first, end);
    }
}

// Gets the scratch of the first `threads` threads ready for the call; returns how many are.
int PrepareScratch(const Region& r, int threads) {
    for (int t = 0; t < threads; ++t) {
        RowScratch& s = g_scratch[t];
        s.items.spares = &s.spares;
        if (!r.items_blend) {
            continue;
        }
        try {
            if (s.row_mask.size() < size_t(r.w)) {
                s.row_mask.resize(size_t(r.w));
            }
            ReserveItemRows(s.items, r.items->backgrounds.size());
        } catch (const std::bad_alloc&) {
            return t;
        }
    }
    return threads;
}

// Blocks small enough that a thread held up elsewhere leaves little for the others to wait on.
constexpr int kBlocksPerThread = 8;
constexpr int kLeastRowsPerBlock = 4;

} // namespace

void CompositeRegion(const CompositeCall& call, ProcessorPath path) {
    const int w = call.w;
    const int h = call.h;
    const int x0 = call.x0;
    const int y0 = call.y0;
    const FrameView& f = call.frame;
    const SelectionBand band = ComputeSelectionBand(f.width, call.theme);
    const bool backgrounds = FindItemBackgrounds(call, band.left, band.right);
    if (!RegionInsideFrame(f, call.items, w, h, x0, y0) || f.fitted == nullptr) {
        return;
    }

    const ItemOverlay& o = call.items;
    const ProjectSettings& s = call.settings;
    const KeyingInputs keying = KeyingInputsOf(s, call.theme);
    Region r = {};
    r.frame = &f;
    r.items = &o;
    r.w = w;
    r.h = h;
    r.x0 = x0;
    r.y0 = y0;
    // Contain and center leave the host's background around the picture.
    r.contain = s.mode == FitMode::contain || s.mode == FitMode::center;
    r.picture = f.picture_rect;
    // In work columns: a pixel is in the band when band.left < x < band.right - 1.
    r.band_lo = int(std::clamp<int64_t>(int64_t(band.left) + 1 - x0, 0, w));
    r.band_hi = int(std::clamp<int64_t>(int64_t(band.right) - 1 - x0, r.band_lo, w));
    r.view_bits = call.theme.note_view ? kNoteViewKeyBit : 0;
    // Item pixels need a found background and a lane colour for every row. !(t > 0): a NaN
    // transparency leaves items alone like 0 does.
    r.items_blend =
        backgrounds && !o.backgrounds.empty() && o.row_colours.size() == size_t(f.height);
    int threads = RowThreadsFor(int64_t(w) * h);
    threads = PrepareScratch(r, threads);
    if (threads == 0) {
        r.items_blend = false; // as for a mask that could not be built: items stay
        threads = PrepareScratch(r, 1);
    }
    const double audio = s.audio_item_transparency;
    const double midi = s.midi_item_transparency;
    r.blend = {r.items_blend && audio > 0 ? &PrepareItemMixTable(g_audio_item_mix, audio) : nullptr,
               r.items_blend && midi > 0 ? &PrepareItemMixTable(g_midi_item_mix, midi) : nullptr,
               s.opacity,
               ComputeTintFactors(s.tint_rgb, s.tint),
               &o.backgrounds,
               &keying};
    r.protect = call.protect && f.last_frame_valid && f.last_frame != nullptr;
    r.path = std::min(path, SupportedProcessorPath()); // never one this processor lacks
    BeginCompositeCall(s, keying);

    const int rows_per_block = std::max(kLeastRowsPerBlock, h / (threads * kBlocksPerThread));
    RunRowJob({CompositeBlock, &r, h, rows_per_block, false}, threads);
}
