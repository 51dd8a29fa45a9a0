// Draws the arrange view of a scene the way the host does, into 32-bit top-down pixels
// (0x00RRGGBB per pixel): background, track lanes, grid lines and time selection blended over
// the lanes, media items with their peaks, and the edit cursor.
#pragma once

#include <cstdint>

#include "scene.h"

namespace sim {

void PaintArrange(const Scene& scene, uint32_t* pixels, int width, int height);

// The client column of a time in the view.
int TimeToX(const Scene& scene, double time);

// One channel of a theme blend of colour over base: mode 0 normal, 1 add, 2 dodge,
// 3 multiply (others draw as normal), mixed in by alpha 0..1.
int BlendChannel(int base, int colour, int mode, double alpha);

} // namespace sim
