// Draws the arrange view of a scene the way the host does, into 32-bit top-down pixels
// (0x00RRGGBB per pixel): background, track lanes, grid lines and time selection blended over
// the lanes, media items with their peaks, and the edit cursor.
#pragma once

#include <cstdint>

#include "canvas.h"
#include "scene.h"

namespace sim {

void PaintArrange(const Scene& scene, uint32_t* pixels, int width, int height);

// The client column of a time in the view.
int TimeToX(const Scene& scene, double time);

} // namespace sim
