// Whether partial presentations left the arrange view exactly as a whole presentation of the
// same host frame shows it.
#pragma once

namespace sim {

// Freezes playback, reads the view as the presentations so far left it, repaints it whole
// (one copy of the whole client area) and reads it again: the number of pixels that differ,
// -1 when the view cannot be read.
int CountSeams();

} // namespace sim
