// PNG files through the system's imaging codecs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sim {

// pixels: width x height, 0x00RRGGBB, top-down. False with a message in error.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height,
              std::string& error);

// Fills row y (width pixels, 0x00RRGGBB) when the encoder needs it, top to bottom.
using PngRowSource = std::function<void(int y, uint32_t* row)>;
// The same, one row at a time, for pictures too large to hold whole.
bool WritePngRows(const std::string& path, int width, int height, const PngRowSource& rows,
                  std::string& error);

} // namespace sim
