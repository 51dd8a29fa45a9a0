// What the run loops (pixel_runs.h, chunk_colours.h) and the vector kernels below them
// (avx512_runs.h) share: the pixel masks, the layout of a colour's channel tables and the staged
// pixels of a chunk. Includes nothing of keying, so that the kernels need nothing above them.
#pragma once

#include <cstdint>

inline constexpr uint32_t kRgbMask = 0x00FFFFFF;
inline constexpr uint32_t kFourthByte = 0xFF000000;

// The three channel tables of one colour as 32-bit words already in their pixel position:
// [v] blue, [256 + v] green << 8, [512 + v] red << 16. An output pixel is then three loads
// or-ed together. The same tables follow as plain bytes, for the vector path.
inline constexpr int kWideTableSize = 768;
inline constexpr int kWideTableWords = kWideTableSize + kWideTableSize / 4;

// The columns of a chunk the vector path keys in three steps (see chunk_colours.h).
inline constexpr int kMaxStagedColumns = 512;

// A chunk's pixels other than its first colour's, packed together.
struct StagedPixels {
    int count; // pixels staged
    // Captured pixels, then their output. Sixteen words of room past the last, as the packing
    // stores whole blocks.
    uint32_t pixels[kMaxStagedColumns + 16];
    uint32_t wallpaper[kMaxStagedColumns + 16];
    uint16_t lanes[kMaxStagedColumns / 16]; // per block of the chunk: the lanes staged
    uint16_t found[kMaxStagedColumns / 16]; // per block of staged pixels: the lanes keyed
};
