// Which item pixels show the item's own background colour: the dominant colour of each item
// segment, sampled, and the marks of a row's pixels that show a found one.
#pragma once

#include <cstdint>
#include <vector>

#include "keying/composite_call.h"
#include "keying/item_overlay.h"

// Fills call.items.backgrounds with the backgrounds found in the call's rectangle; the band
// [band_left, band_right) splits items into separately judged segments. False when no item
// pixel of the rectangle can be blended (no class map, both transparencies off, bad rectangle).
bool FindItemBackgrounds(const CompositeCall& call, int band_left, int band_right);

// The dominant background colour of one item segment [xl, xr) x [yt, yb), from samples of the
// call's captured pixels, or of `readable` when its bits are set (the segment must then lie
// inside it). thread: the row worker whose sample table is used (0 the calling thread).
bool FindItemBackground(const CompositeCall& call, const HostFrame& readable, int thread,
                        const ItemRect& item, int xl, int xr, int yt, int yb, uint32_t* colour);

// Marks client row y of the rectangle, whose classes and captured pixels start at `classes` and
// `pixels` (client column x0): false, and the mask row untouched, when none of the backgrounds
// covers the row; otherwise the w bytes of mask_row get kMarked* values or 0.
bool MarkItemBackgroundRow(const std::vector<ItemBackground>& backgrounds, int y, int w, int x0,
                           const uint8_t* classes, const uint32_t* pixels, uint8_t* mask_row);
