// Re-tinting the preview's picture copy: black and white first, then the per-channel tint, the
// same order and factors as the arrange view's own compositing.
#pragma once

#include <cstddef>
#include <cstdint>

// source and target hold count pixels of 4 bytes (blue, green, red, fourth byte kept).
void TintPixels(const uint8_t* source, uint8_t* target, size_t count, bool grayscale,
                uint32_t tint_colour, double amount);
