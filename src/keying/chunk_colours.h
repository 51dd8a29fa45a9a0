// The colours met so far in a chunk of a row that grid lines cut into short runs, with their
// widened tables, and the pixels of the chunk staged to be looked up among them.
#pragma once

#include <cstdint>

#include "keying/pixel_runs.h"
#include "keying/run_layout.h"
#include "keying/wide_tables.h"

// A chunk of an arrange row holds a few grid shades besides its lane colour; more colours take
// turns in the slots.
inline constexpr int kChunkColourCapacity = 8;

struct ChunkColours {
    uint64_t epoch = 0; // the table epoch of the colours
    int count = 0;
    int next_replaced = 0;                    // the slot a colour takes once all are taken
    uint32_t seen = 0;                        // bit k: colour k was met in the chunk
    uint32_t keys[kChunkColourCapacity] = {}; // as in the key colour cache, band bit included
    const uint32_t* wide[kChunkColourCapacity] = {}; // null for a colour that is not background
};

// The vector path (avx512 only) keys a chunk of at most kMaxStagedColumns in three steps. The
// pixels of its first colour (the lane, mostly) are mapped block by block with that colour's
// tables held in registers; the others (grid lines and shades, a pixel or two a block) are
// packed together as StagedPixels (run_layout.h), so that one look-up covers sixteen of them
// rather than sixteen lanes of which one or two are of its colour; then they go back to their
// columns.

// What one thread keeps from chunk to chunk: the colours met in the last chunk it keyed out of
// the time selection band and in it, as rows alternate between the two, for each kind of view.
struct ChunkMemory {
    ChunkColours last[4];
};

// Adds the colour `key` as met and returns its tables, null for a colour that is not background.
// Tables that had to go to the thread's spares last only until its next fill: such a colour is
// not kept.
const uint32_t* AddChunkColour(ChunkColours& colours, uint32_t key, TableSpares& spares);

// Keys the staged pixels of a chunk in the band state of band_bit: a pass per colour, the
// colours met in the last chunk first. On the avx512 path only.
void KeyStagedPixels(StagedPixels& staged, uint32_t band_bit, ChunkMemory& memory,
                     TableSpares& spares);

// The colours to start a chunk with in the band state of band_bit: those met in the last chunk
// this thread keyed in that state, as the next span or row nearly always has the same, for as
// long as the table epoch lasts (a slot filled in an epoch keeps its tables through it).
ChunkColours BeginChunkColours(const ChunkMemory& memory, uint32_t band_bit);
// Keeps the colours met in a chunk for the next one.
void EndChunkColours(ChunkMemory& memory, const ChunkColours& colours);

// The colour the chunk from j on is likely made of: grid lines are one pixel wide, so the first
// colour of the first block that repeats at once, else the first.
inline uint32_t LikelyChunkColour(const uint32_t* work, int j, int end) {
    for (int x = j; x + 1 < end && x < j + 15; ++x) {
        if (SameRgb(work[x], work[x + 1])) {
            return work[x] & kRgbMask;
        }
    }
    return work[j] & kRgbMask;
}
