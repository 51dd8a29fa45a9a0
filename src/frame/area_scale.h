// Reduction of a picture by area averaging: every output pixel is the mean of the source area it
// covers, edges weighted by the fraction covered. Fine patterns average out instead of beating.
#pragma once

#include <cstdint>

#include "base/processor_features.h"
#include "frame/frame_view.h"

// Rows of a picture: pixels points at row first_row of a width x height picture and holds the
// rows from there on that the call reads.
struct SourceRows {
    const uint32_t* pixels;
    int width;
    int height;
    int first_row;
};

// Scales the picture to the size of placed and writes the part of it that lies on the surface
// (width x height, rows without gaps). For reductions only: placed is at most as wide and as high
// as the picture, and not empty. The source rows needed are those the visible rows cover.
// path: AVX2 row and column passes from ProcessorPath::avx2 on, the same bytes as baseline's.
void AreaScaleInto(const SourceRows& source, uint32_t* surface, int width, int height,
                   PixelRect placed, ProcessorPath path = ActiveProcessorPath());
