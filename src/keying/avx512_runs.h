// The run loops of pixel_runs.h with 512-bit byte permutes: sixteen pixels per step, each
// channel looked up in its 256-byte table held in registers. Called only on the avx512 path
// (base/processor_features.h), which the callers' dispatch checks; the output is the same,
// byte for byte, as the plain loops'.
#pragma once

#include <cstdint>

#include "keying/run_layout.h"

// As the plain loops, with the channel tables as bytes: [v] blue, [256 + v] green, [512 + v]
// red. last is null when the last-frame protection is off.
int MapRunOfColourVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last, int j,
                         int end, uint32_t colour, const uint8_t* tables);
// The first column from j on whose colour (low three bytes) is not `colour`, or end.
int EndOfColourVector(const uint32_t* work, int j, int end, uint32_t colour);
// Maps the pixels from column j on that have `colour`, passing over those of the four colours in
// passed_over (not background); returns the first column with any other colour, or end.
int MapColourAmongVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last, int j,
                         int end, uint32_t colour, const uint32_t* passed_over,
                         const uint8_t* tables);
void MapPixelsOfColourVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last, int j,
                             int end, uint32_t colour, const uint8_t* tables);
// One colour's pass over columns [j, end) whose pixels are keyed colour by colour: matched holds
// a bit per column (bit k of matched[i]: column j + 16 * i + k) for the columns already done.
// The columns not yet done that have the colour are mapped (with tables; null for a colour that
// is not background, which leaves them as they are) and marked done; so are the columns that
// have one of the four colours in passed_over (not background either). Returns how many.
int MapUnmatchedOfColourVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last, int j,
                               int end, uint32_t colour, const uint8_t* tables,
                               const uint32_t* passed_over, uint16_t* matched);
// Maps the pixels of columns [j, end) (at most kMaxStagedColumns) that have `colour` (with
// tables; null leaves them) and stages the others, apart from those equal to the last frame's.
void MapFirstColourAndStage(uint32_t* work, const uint32_t* fitted, const uint32_t* last, int j,
                            int end, uint32_t colour, const uint8_t* tables, StagedPixels& staged);
// One colour's pass over the staged pixels from block `block` (of sixteen) on: those not yet
// found that have `colour` are mapped (with tables; null leaves them) and found. Returns
// whether there were any.
bool MapStagedOfColourVector(StagedPixels& staged, int block, uint32_t colour,
                             const uint8_t* tables);
// Writes the staged pixels back to columns [j, end).
void UnstageVector(uint32_t* work, int j, int end, const StagedPixels& staged);
// Bit k of near[i] is set when column j + 16 * i + k of [j, end) has class `kind`, each of its
// channels lies within `tolerance` of `colour`'s, and (with a last frame) it differs from the
// last frame's pixel; bits past end are 0.
void NearLanesVector(const uint32_t* work, const uint32_t* last, const uint8_t* classes, int j,
                     int end, uint8_t kind, uint32_t colour, int tolerance, uint16_t* near);
int MapMarkedRunOfColourVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last,
                               const uint8_t* mask, int j, int end, uint32_t colour,
                               const uint8_t* tables);
