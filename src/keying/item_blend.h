// Blending of item background pixels: the wallpaper as it would look on the bare lane (the lane
// colour keyed like background), or over the item's own colour when it is custom-coloured,
// mixed over the captured pixel by the item transparency.
#pragma once

#include <cstddef>
#include <cstdint>

#include "keying/colour_math.h"
#include "keying/item_mix_table.h"
#include "keying/pixel_runs.h"

// Everything about item blending that is the same for the whole call.
struct ItemBlend {
    const ItemMixTable* audio_mix; // null when that transparency is off
    const ItemMixTable* midi_mix;
    double opacity;
    TintFactors k;
};

// One row's item blending. The compositor fills the fields, calls BeginItemRow before any pixel
// of the row changes (marking reads the captured colours) and then BlendItemSpan for each span
// of item pixels from left to right, so that a row is walked once, in memory order.
struct ItemRow {
    RowSurfaces row;        // at client column x0
    const uint8_t* classes; // class map row at client column x0
    int y;                  // client row
    int x0;
    int w;
    int inside_lo; // work columns [inside_lo, inside_hi) lie inside the picture
    int inside_hi;
    uint32_t lane_colour;
    const ItemBlend* blend;
    // Set by BeginItemRow:
    bool active;              // some found background covers the row
    const uint8_t* mask;      // the marked row where backgrounds overlap, else null
    const uint32_t* covering; // the backgrounds covering the row, in left-edge order
    size_t count;
    size_t next; // the first of them not yet blended
};

// Makes room for the row lists of this call's found backgrounds; throws std::bad_alloc.
void ReserveItemRows();

// mask_scratch has room for w bytes. Rows of one call come in increasing order.
void BeginItemRow(ItemRow& r, uint8_t* mask_scratch);

// Blends the pixels of work columns [s, e), a maximal span of item pixels, that show a found
// background.
void BlendItemSpan(ItemRow& r, int s, int e);
