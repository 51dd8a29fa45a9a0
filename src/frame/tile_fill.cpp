#include "frame/tile_fill.h"

#include <algorithm>
#include <cstring>

void TilePicture(const uint32_t* picture, int picture_width, int picture_height, uint32_t* surface,
                 int width, int height, int phase_x, int phase_y) {
    if (picture == nullptr || surface == nullptr || picture_width <= 0 || picture_height <= 0 ||
        width <= 0 || height <= 0) {
        return;
    }
    for (int y = 0; y < height; ++y) {
        const uint32_t* source =
            picture + size_t((y + phase_y) % picture_height) * size_t(picture_width);
        uint32_t* row = surface + size_t(y) * size_t(width);
        // Whole runs of the picture's row, the first one starting at the phase.
        int x = 0;
        int from = phase_x % picture_width;
        while (x < width) {
            const int run = std::min(picture_width - from, width - x);
            std::memcpy(row + x, source + from, size_t(run) * sizeof(uint32_t));
            x += run;
            from = 0;
        }
    }
}
