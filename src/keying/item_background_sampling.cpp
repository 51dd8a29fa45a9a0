#include "keying/item_backgrounds.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "base/row_workers.h"
#include "keying/colour_math.h"

namespace {

// Per-colour sample statistics of one segment: an open-addressing table reused across segments
// so that a frame with dozens of items does not allocate per segment. Keys are pixel colours
// (red << 16 | green << 8 | blue); kEmptySlot cannot be one.
struct ColourStats {
    uint32_t colour;
    int count;
    int min_x;
    int max_x;
    int min_y;
    int max_y;
    int top_count;
    int bottom_count;
};

constexpr uint32_t kEmptySlot = 0xFFFFFFFFu;

// One thread's table: segments of a frame are sampled on several threads at once.
struct StatsTable {
    std::vector<ColourStats> slots; // power-of-two size, all kEmptySlot between segments
    std::vector<uint32_t> used;     // indices of the occupied slots of this segment
};
StatsTable g_stats[kMaxRowThreads];

constexpr int kAudioInset = 2;
constexpr int kMidiSideMargin = 6;

bool IsMidi(uint8_t kind) {
    return kind == kMidiItem || kind == kCustomMidiItem;
}

bool IsAudio(uint8_t kind) {
    return kind == kAudioItem || kind == kCustomAudioItem;
}

// Prepares an empty table with room for at least `samples` distinct colours at half load.
void ResetStats(StatsTable& t, int64_t samples) {
    size_t capacity = 64;
    while (capacity < size_t(samples) * 2) {
        capacity *= 2;
    }
    for (uint32_t i : t.used) {
        t.slots[i].colour = kEmptySlot;
    }
    t.used.clear();
    if (t.slots.size() < capacity) {
        t.slots.assign(capacity, ColourStats{kEmptySlot, 0, 0, 0, 0, 0, 0, 0});
    }
    t.used.reserve(size_t(samples));
}

ColourStats& StatsFor(StatsTable& t, uint32_t colour) {
    const size_t mask = t.slots.size() - 1;
    size_t i = size_t(colour * 0x9E3779B1u) & mask;
    while (t.slots[i].colour != colour) {
        if (t.slots[i].colour == kEmptySlot) {
            t.slots[i] = {colour, 0, 2147483647, 0, 2147483647, 0, 0, 0};
            t.used.push_back(uint32_t(i));
            break;
        }
        i = (i + 1) & mask;
    }
    return t.slots[i];
}

bool IsPeaksColour(const ItemOverlay& o, uint32_t pixel_colour) {
    const uint32_t theme_colour = ThemeFromPixel(pixel_colour);
    for (int i = 0; i < o.peaks_count && i < 4; ++i) {
        if (o.peaks[i] == theme_colour) {
            return true;
        }
    }
    return false;
}

// The mask only ever gains marks, so each test is or-ed in without a branch.
void MarkExact(const uint8_t* classes, const uint32_t* pixels, uint8_t* mask, int n, uint8_t kind,
               uint32_t colour) {
    for (int i = 0; i < n; ++i) {
        mask[i] |= uint8_t(classes[i] == kind) & uint8_t((pixels[i] & 0xFFFFFF) == colour);
    }
}

void MarkNear(const uint8_t* classes, const uint32_t* pixels, uint8_t* mask, int n, uint8_t kind,
              uint32_t colour) {
    for (int i = 0; i < n; ++i) {
        if (classes[i] == kind && WithinMidiEdgeTolerance(pixels[i], colour)) {
            mask[i] |= (pixels[i] & 0xFFFFFF) == colour ? kMarkedExact : kMarkedNear;
        }
    }
}

// Marks row y of one background; the pointers are at the rectangle's column x0.
void MarkBackgroundRow(const ItemBackground& b, int y, int x0, const uint8_t* classes,
                       const uint32_t* pixels, uint8_t* mask) {
    auto mark = [&](int a, int e, bool near) {
        if (near) {
            MarkNear(classes + (a - x0), pixels + (a - x0), mask + (a - x0), e - a, b.kind,
                     b.colour);
        } else {
            MarkExact(classes + (a - x0), pixels + (a - x0), mask + (a - x0), e - a, b.kind,
                      b.colour);
        }
    };
    if (!b.near_edges) {
        mark(b.left, b.right, false);
    } else if (y >= b.inner_top && y < b.inner_bottom) {
        // The inner area of a MIDI item takes the exact colour only.
        mark(b.left, b.inner_left, true);
        mark(b.inner_left, b.inner_right, false);
        mark(b.inner_right, b.right, true);
    } else {
        mark(b.left, b.right, true);
    }
}

// The host frame of the call when it covers the rectangle; otherwise none, and item pixels are
// read from the rectangle itself.
HostFrame ReadableHost(const CompositeCall& c) {
    const HostFrame& host = c.host;
    if (host.bits != nullptr && host.left <= c.x0 && host.top <= c.y0 && host.right >= c.x0 + c.w &&
        host.bottom >= c.y0 + c.h) {
        return host;
    }
    return {};
}

// Where item pixels can be read.
PixelRect ReadableArea(const CompositeCall& c, const HostFrame& readable) {
    if (readable.bits != nullptr) {
        return {readable.left, readable.top, readable.right, readable.bottom};
    }
    return {c.x0, c.y0, c.x0 + c.w, c.y0 + c.h};
}

} // namespace

bool FindItemBackground(const CompositeCall& call, const HostFrame& host, int thread,
                        const ItemRect& r, int xl, int xr, int yt, int yb, uint32_t* colour) {
    StatsTable& table = g_stats[thread];
    const int seg_w = xr - xl;
    if (seg_w < 8 || yb - yt < 8) {
        return false;
    }
    // The top rows carry the item's name and take lane; they say nothing about its background.
    const int height = r.bottom - r.top;
    const int ys = std::max(yt, r.top + std::min(height / 4, 12));
    const int hs = yb - ys;
    if (hs < 6) {
        return false;
    }
    const int step = std::max(1, int(std::sqrt(double(int64_t(hs) * seg_w) * 0.0009765625)));

    const int width = call.frame.width;
    const uint32_t* working = call.frame.working;
    const int x0 = call.x0;
    const int y0 = call.y0;
    const int top_end = ys + hs / 4;
    const int bottom_start = yb - hs / 4;
    const int64_t sample_rows = (hs + step - 1) / step;
    const int64_t sample_columns = (seg_w + step - 1) / step;
    try {
        ResetStats(table, sample_rows * sample_columns);
    } catch (const std::bad_alloc&) {
        return false; // marks nothing, as for a segment without a clear winner
    }

    int64_t total = 0;
    int64_t total_top = 0;
    int64_t total_bottom = 0;
    ColourStats* stats = nullptr; // the statistics of the last run's colour
    for (int y = ys; y < yb; y += step) {
        const uint32_t* row =
            host.bits != nullptr ? host.Row(y) + xl : working + int64_t(y - y0) * width + (xl - x0);
        if (host.bits == nullptr && y + step < yb) {
            // Sample rows lie far apart; ask for the next one while this one is counted.
            for (int x = 0; x < seg_w; x += 16) {
                __builtin_prefetch(row + int64_t(step) * width + x);
            }
        }
        const bool top = y < top_end;
        const bool bottom = y >= bottom_start;
        // Samples of one colour in a row come in runs: count a run at once.
        for (int x = xl; x < xr;) {
            const uint32_t colour = row[x - xl] & 0xFFFFFF;
            const int first = x;
            int n = 0;
            do {
                ++n;
                x += step;
            } while (x < xr && (row[x - xl] & 0xFFFFFF) == colour);
            if (stats == nullptr || stats->colour != colour) {
                stats = &StatsFor(table, colour);
            }
            stats->count += n;
            stats->min_x = std::min(stats->min_x, first);
            stats->max_x = std::max(stats->max_x, x - step);
            stats->min_y = std::min(stats->min_y, y);
            stats->max_y = std::max(stats->max_y, y);
            if (top) {
                stats->top_count += n;
                total_top += n;
            }
            if (bottom) {
                stats->bottom_count += n;
                total_bottom += n;
            }
            total += n;
        }
    }
    if (total < 16) {
        return false;
    }

    // The background must hold a quarter of all samples, of the top and of the bottom quarter,
    // and reach into every outer quarter of the segment; waveforms in a peaks colour never win.
    int best = 0;
    int second = 0;
    uint32_t winner = 0;
    for (uint32_t i : table.used) {
        const ColourStats& s = table.slots[i];
        const bool qualifies =
            int64_t(s.count) * 100 >= total * 25 && int64_t(s.top_count) * 4 >= total_top &&
            int64_t(s.bottom_count) * 4 >= total_bottom && s.min_x <= xl + seg_w / 4 &&
            s.max_x >= xr - seg_w / 4 - 1 && s.min_y <= ys + hs / 4 && s.max_y >= yb - hs / 4 - 1 &&
            !IsPeaksColour(call.items, s.colour);
        if (!qualifies) {
            continue;
        }
        if (s.count > best) {
            second = best;
            best = s.count;
            winner = s.colour;
        } else if (s.count > second) {
            second = s.count;
        }
    }
    if (best <= 0 || int64_t(best) * 5 < int64_t(second) * 6) {
        return false;
    }
    *colour = winner;
    return true;
}

namespace {

// A segment of an item to decide, and what was decided.
struct Segment {
    const ItemRect* item;
    int cut_left; // the part of the item it covers, as sampled
    int cut_right;
    int top;
    int bottom;
    int xl; // and as blended, inside the rectangle
    int xr;
    bool found;
    uint32_t colour;
};

std::vector<Segment> g_segments; // this call's; grows to the most segments of a call and stays

struct SegmentJob {
    const CompositeCall* call;
    HostFrame readable;
};

void DecideSegments(const void* context, int thread, int first, int end) noexcept {
    const SegmentJob& job = *static_cast<const SegmentJob*>(context);
    for (int i = first; i < end; ++i) {
        Segment& g = g_segments[size_t(i)];
        g.found = FindItemBackground(*job.call, job.readable, thread, *g.item, g.cut_left,
                                     g.cut_right, g.top, g.bottom, &g.colour);
    }
}

// Lists the segments of the rectangle to decide; false when there is no room for the list.
bool ListSegments(const CompositeCall& c, const HostFrame& readable, int band_left,
                  int band_right) {
    const ItemOverlay& o = c.items;
    const double audio = c.settings.audio_item_transparency;
    const double midi = c.settings.midi_item_transparency;
    const int w = c.w;
    const int h = c.h;
    const int x0 = c.x0;
    const int y0 = c.y0;
    // Decided on what can be read of the item, blended only inside the rectangle.
    const PixelRect seen = ReadableArea(c, readable);
    g_segments.clear();
    for (const ItemRect& r : o.items) {
        if ((IsAudio(r.kind) && !(audio > 0)) || (IsMidi(r.kind) && !(midi > 0)) ||
            !(IsAudio(r.kind) || IsMidi(r.kind))) {
            continue;
        }
        const int inset = IsMidi(r.kind) ? 0 : kAudioInset;
        const int left = std::max(seen.left, r.left + inset);
        const int right = std::min(r.right - inset, seen.right);
        const int top = std::max(seen.top, r.top + inset);
        const int bottom = std::min(r.bottom - inset, seen.bottom);
        if (right <= left || bottom <= top || right <= x0 || left >= x0 + w || bottom <= y0 ||
            top >= y0 + h) {
            continue;
        }
        // Shaded and unshaded parts of an item have different background colours.
        const int c1 = std::clamp(band_left, left, right);
        const int c2 = std::clamp(band_right, left, right);
        const int cuts[4] = {left, c1, c2, right};
        for (int s = 0; s < 3; ++s) {
            const int xl = std::max(cuts[s], x0);
            const int xr = std::min(cuts[s + 1], x0 + w);
            if (xr <= xl) {
                continue;
            }
            try {
                g_segments.push_back({&r, cuts[s], cuts[s + 1], top, bottom, xl, xr, false, 0});
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

bool FindItemBackgrounds(const CompositeCall& call, int band_left, int band_right) {
    ItemOverlay& o = call.items;
    const int w = call.w;
    const int h = call.h;
    const int x0 = call.x0;
    const int y0 = call.y0;
    o.backgrounds.clear();
    const double audio = call.settings.audio_item_transparency;
    const double midi = call.settings.midi_item_transparency;
    // Written as !(t > 0) so that a NaN transparency counts as off, as in the compositor.
    if (o.class_map.empty() || (!(audio > 0) && !(midi > 0))) {
        return false;
    }
    if (!RegionInsideFrame(call.frame, o, w, h, x0, y0)) {
        return false;
    }
    const SegmentJob job = {&call, ReadableHost(call)};
    if (!ListSegments(call, job.readable, band_left, band_right)) {
        return true; // as for segments without a clear winner: nothing is blended
    }
    // The segments are sampled on the threads that then share the rows, which come right after.
    RunRowJob({DecideSegments, &job, int(g_segments.size()), 1, true},
              RowThreadsFor(int64_t(w) * h));
    for (const Segment& g : g_segments) {
        if (!g.found) {
            continue;
        }
        // MIDI items draw their edges blended with the notes' lane; near colours count there.
        const ItemRect& r = *g.item;
        const int height = r.bottom - r.top;
        const int inner_left = std::clamp(r.left + kMidiSideMargin, g.xl, g.xr);
        const int inner_right = std::clamp(r.right - kMidiSideMargin, inner_left, g.xr);
        try {
            o.backgrounds.push_back({g.xl, std::max(g.top, y0), g.xr, std::min(g.bottom, y0 + h),
                                     r.kind, g.colour, IsMidi(r.kind), inner_left,
                                     r.top + std::min(height / 3, 18), inner_right,
                                     r.bottom - std::min(height / 4, 8)});
        } catch (const std::bad_alloc&) {
            break; // the segments found so far are still right
        }
    }
    // Blending walks a row's backgrounds left to right.
    std::sort(o.backgrounds.begin(), o.backgrounds.end(),
              [](const ItemBackground& a, const ItemBackground& b) { return a.left < b.left; });
    return true;
}

bool MarkItemBackgroundRow(const std::vector<ItemBackground>& backgrounds, int y, int w, int x0,
                           const uint8_t* classes, const uint32_t* pixels, uint8_t* mask_row) {
    bool covered = false;
    for (const ItemBackground& b : backgrounds) {
        if (y < b.top || y >= b.bottom) {
            continue;
        }
        if (!covered) {
            std::fill(mask_row, mask_row + w, uint8_t(0));
            covered = true;
        }
        MarkBackgroundRow(b, y, x0, classes, pixels, mask_row);
    }
    return covered;
}
