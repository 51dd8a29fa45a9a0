// Whether what the host's own BitBlt just put on a view already carries the wallpaper:
// probe pixels where the host drew a theme background colour are read back from the window
// right after the copy, before the host's window procedure goes on.
#pragma once

#include <windows.h>

#include <cstdint>

namespace sim {

// The arrange view and the MIDI editors' note views are tallied apart; each has its own
// background colours.
enum class ProbedView { kArrange, kNotes };

struct PresentationTally {
    int presentations; // host presentations with at least one background pixel to probe
    int uncorrected;   // of those, the ones where a probe still showed the host's own pixel
};

// Zeroes the tally and counts from the next presentation on.
void StartPresentationTally();
void StopPresentationTally();
bool PresentationTallyRunning();
PresentationTally CurrentPresentationTally(ProbedView view = ProbedView::kArrange);

// Called by a view's paint right after its BitBlt returned: the host copied client
// rectangle `target` from back_buffer (0x00RRGGBB, top-down, rows of `stride` pixels), whose
// pixel for client point (x, y) is at (x + offset_x, y + offset_y), onto paint_dc. Only probe
// points inside the target that paint_dc lets the copy reach are read. Does nothing while no
// tally runs.
void ProbePresentation(ProbedView view, HWND window, HDC paint_dc, const uint32_t* back_buffer,
                       int stride, int offset_x, int offset_y, const RECT& target);

} // namespace sim
