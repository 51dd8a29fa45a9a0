// Reading back what a window shows: for screenshots, the seam check and the tests' pixel
// comparisons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace sim {

// The client area as the screen shows it (0x00RRGGBB, top-down), read through gdi32's own
// BitBlt so that whatever sits in the program's import slot is not part of the reading. False,
// pixels untouched, when the window has no client area or cannot be read.
bool CaptureClientPixels(HWND window, std::vector<uint32_t>& pixels, int& width, int& height);

} // namespace sim
