// The media item overlay's shared records: where the project's media items lie in the arrange
// view (a class per client pixel and the track colour under each row), and the item backgrounds
// found in the rectangle being composited. Built by item_layout.h, found by item_backgrounds.h.
#pragma once

#include <cstdint>
#include <vector>

#include "frame/frame_view.h"
#include "keying/colour_math.h"

enum ItemKind : uint8_t {
    kNoItem = 0,
    kAudioItem = 1,
    kMidiItem = 2,
    kEmptyItem = 3, // no active take, or audio and MIDI cannot be told apart
    kCustomAudioItem = 4,
    kCustomMidiItem = 5,
};

struct ItemRect {
    int32_t left; // one-pixel margin included
    int32_t top;
    int32_t right; // exclusive
    int32_t bottom;
    uint8_t kind;
    uint32_t row_colour; // the track's lane colour, 0x00BBGGRR

    bool operator==(const ItemRect&) const = default;
};

// An item segment whose own background colour was found. Its pixels of the item's kind that
// show that colour, and near a MIDI item's edges any colour within tolerance of it, are blended.
struct ItemBackground {
    int32_t left; // the segment, client coordinates, exclusive ends
    int32_t top;
    int32_t right;
    int32_t bottom;
    uint8_t kind;
    uint32_t colour; // red << 16 | green << 8 | blue
    bool near_edges; // MIDI: outside the inner area below, near colours count too
    int32_t inner_left;
    int32_t inner_top;
    int32_t inner_right;
    int32_t inner_bottom;
};

// Mask values: a pixel showing a found background colour exactly, or only within the MIDI
// edge tolerance of one. Item blending treats both alike; only exact colours get a table.
inline constexpr uint8_t kMarkedExact = 1;
inline constexpr uint8_t kMarkedNear = 2;

// MIDI items draw their edges blended with the notes' lane: near the edges a pixel within this
// many steps per channel of the found background colour counts as background too.
inline constexpr int kMidiEdgeTolerance = 40;

inline bool WithinMidiEdgeTolerance(uint32_t a, uint32_t b) {
    const Rgb ca = RgbFromPixel(a);
    const Rgb cb = RgbFromPixel(b);
    return AbsInt(ca.red - cb.red) <= kMidiEdgeTolerance &&
           AbsInt(ca.green - cb.green) <= kMidiEdgeTolerance &&
           AbsInt(ca.blue - cb.blue) <= kMidiEdgeTolerance;
}

// The host's whole frame, where it can be read beside the rectangle being composited (in hooked
// mode its back buffer): an item's background is then decided on the item's whole visible part,
// so that a strip of an item finds what a whole presentation finds.
struct HostFrame {
    const uint8_t* bits = nullptr; // null: only the composited rectangle can be read
    int64_t row_bytes = 0;         // from one client row to the next; negative when bottom-up
    int64_t origin = 0;            // byte offset of client pixel (0, 0) from bits
    int32_t left = 0;              // the client rectangle the bits cover, exclusive ends
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    const uint32_t* Row(int y) const {
        return reinterpret_cast<const uint32_t*>(bits + origin + row_bytes * y);
    }
};

struct ItemOverlay {
    std::vector<ItemRect> items; // the last layout, in the host's item order
    int layout_width = 0;        // client size the layout was built for; 0 when none
    int layout_height = 0;
    std::vector<uint8_t> class_map;    // W x H item kinds, row-major; empty when no items
    std::vector<uint32_t> row_colours; // H lane colours (0x00BBGGRR); empty when no items
    uint32_t peaks[4] = {};            // theme waveform colours, 0x00BBGGRR
    int peaks_count = 0;
    // The backgrounds found in the rectangle being composited, ordered by left edge; the
    // compositor marks and blends their pixels row by row as it goes.
    std::vector<ItemBackground> backgrounds;
};

extern ItemOverlay g_item_overlay;

// Frees every piece of layout and background state; the frame buffers' release calls this.
void ResetItemOverlay(ItemOverlay& overlay);
inline void ResetItemOverlay() {
    ResetItemOverlay(g_item_overlay);
}

// True when the rectangle lies inside the frame's surfaces and the class map (if any) was built
// for the frame's size; anything else is a caller fault and leaves the frame as captured.
bool RegionInsideFrame(const FrameView& frame, const ItemOverlay& overlay, int w, int h, int x0,
                       int y0);
