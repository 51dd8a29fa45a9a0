// PNG files through the system's imaging codecs.
#pragma once

#include <cstdint>
#include <string>

namespace sim {

// pixels: width x height, 0x00RRGGBB, top-down. False with a message in error.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height,
              std::string& error);

} // namespace sim
