// Fills a surface with a picture repeated at its own size.
#pragma once

#include <cstdint>

// surface (width x height, rows without gaps) gets picture (picture_width x picture_height)
// repeated; surface pixel (0, 0) shows picture pixel (phase_x, phase_y).
void TilePicture(const uint32_t* picture, int picture_width, int picture_height, uint32_t* surface,
                 int width, int height, int phase_x, int phase_y);
