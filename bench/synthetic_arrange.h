// A synthetic arrange view as the host paints it: theme lanes for 12 tracks, grid lines, 40
// audio and MIDI items with waveforms and notes, a time selection, and a wallpaper to blend in.
// The host functions the keying code calls answer from the same scene.
#pragma once

#include <cstdint>
#include <vector>

struct SyntheticArrange {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> captured; // what the host painted, W x H
    std::vector<uint32_t> working;
    std::vector<uint32_t> fitted;
    std::vector<uint32_t> last_frame;
};

// Sparse: a grid line every 48 pixels at 1920 wide, in grid colours (not background). Dense: as
// at a close zoom, a line every 6 to 10 pixels, each blended into its lane in one of three
// shades, so that every shade is a background colour of its own.
enum class GridDensity { sparse, dense };

// Builds the scene for a client size, commits its theme, binds the host functions and points
// the frame view at the surfaces. The returned object must outlive the benchmark.
SyntheticArrange& PrepareSyntheticArrange(int width, int height,
                                          GridDensity grid = GridDensity::sparse);
