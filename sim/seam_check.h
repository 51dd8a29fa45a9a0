// Whether partial presentations left a view exactly as a whole presentation of the same host
// frame shows it.
#pragma once

#include <windows.h>

namespace sim {

// Freezes playback, reads the window (the arrange view or a note view) as the presentations so
// far left it, repaints it whole (one copy of the whole client area) and reads it again: the
// number of pixels that differ, -1 when the window cannot be read.
int CountSeams(HWND window);
// The same for the arrange view.
int CountSeams();

} // namespace sim
