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

// Builds the scene for a client size, commits its theme, binds the host functions and points
// the frame view at the surfaces. The returned object must outlive the benchmark.
SyntheticArrange& PrepareSyntheticArrange(int width, int height);
