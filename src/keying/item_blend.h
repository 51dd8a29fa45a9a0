// Blending of item background pixels: the wallpaper as it would look on the bare lane (the lane
// colour keyed like background), or over the item's own colour when it is custom-coloured,
// mixed over the captured pixel by the item transparency.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "keying/colour_math.h"
#include "keying/item_mix_table.h"
#include "keying/item_overlay.h"
#include "keying/key_colour_tables.h"
#include "keying/pixel_runs.h"
#include "keying/wide_tables.h"

// Everything about item blending that is the same for the whole call.
struct ItemBlend {
    const ItemMixTable* audio_mix; // null when that transparency is off
    const ItemMixTable* midi_mix;
    double opacity;
    TintFactors k;
    const std::vector<ItemBackground>* backgrounds; // found in the rectangle, by left edge
    const KeyingInputs* keying;                     // for the lane colour's key colour entry
};

// What one thread keeps while it blends the item rows of a call.
struct ItemScratch {
    // The found backgrounds covering the rows [from, to), by index, in left-edge order: they
    // change only on rows where one begins or ends, so rows between reuse the list.
    uint64_t covering_call; // the compositor call the list belongs to
    int from;
    int to;
    bool overlap;
    std::vector<uint32_t> indices; // room reserved for every background of the call
    // Tables for near colours this thread may still make in the call (see item_blend.cpp).
    uint64_t near_budget_call;
    int near_tables_left;
    TableSpares* spares;
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
    ItemScratch* scratch; // the thread's own; rows of one call reach it in increasing order
    // Set by BeginItemRow:
    bool active;              // some found background covers the row
    const uint8_t* mask;      // the marked row where backgrounds overlap, else null
    const uint32_t* covering; // the backgrounds covering the row, in left-edge order
    size_t count;
    size_t next; // the first of them not yet blended
};

// Makes room in a thread's scratch for the row lists of this call's `count` found backgrounds;
// throws std::bad_alloc.
void ReserveItemRows(ItemScratch& scratch, size_t count);

// mask_scratch has room for w bytes.
void BeginItemRow(ItemRow& r, uint8_t* mask_scratch);

// Blends the pixels of work columns [s, e), a maximal span of item pixels, that show a found
// background.
void BlendItemSpan(ItemRow& r, int s, int e);
