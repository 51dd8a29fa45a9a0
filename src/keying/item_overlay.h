// Where the project's media items lie in the arrange view (a class per client pixel and the
// track colour under each row), and which item pixels show the item's own background colour.
#pragma once

#include <cstdint>
#include <vector>

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

struct ItemOverlay {
    std::vector<ItemRect> items; // the last layout, in the host's item order
    int layout_width = 0;        // client size the layout was built for; 0 when none
    int layout_height = 0;
    std::vector<uint8_t> class_map;    // W x H item kinds, row-major; empty when no items
    std::vector<uint32_t> row_colours; // H lane colours (0x00BBGGRR); empty when no items
    uint32_t peaks[4] = {};            // theme waveform colours, 0x00BBGGRR
    int peaks_count = 0;
    std::vector<uint8_t> item_mask; // w x h of the rectangle being composited; empty when none
};

extern ItemOverlay g_item_overlay;

// Asks the host where every item is and rebuilds the class map when anything changed.
// False (frame to be presented unkeyed) without the host functions, a project or a view span.
bool UpdateItemLayout(int width, int height);

// Marks, inside the composited rectangle, the pixels that show an item's own background colour.
void BuildItemBackgroundMask(int w, int h, int x0, int y0, int band_left, int band_right);

// Finds the dominant background colour of one item segment and marks the pixels showing it.
void FindItemBackground(const ItemRect& item, int xl, int xr, int yt, int yb, int w, int x0,
                        int y0);

// Frees every piece of layout and mask state; the frame buffers' release calls this.
void ResetItemOverlay();

// True when the rectangle lies inside the frame's surfaces and the class map (if any) was built
// for the frame's size; anything else is a caller fault and leaves the frame as captured.
bool RegionInsideFrame(int w, int h, int x0, int y0);
