// Blends the fitted wallpaper into a captured rectangle of the arrange view, in place.
#pragma once

#include "base/processor_features.h"

// The rectangle (w x h at client position x0, y0) sits at row 0, column 0 of the working surface.
// protect: leave pixels equal to the kept last frame (the capture came from the screen).
// Callers run UpdateItemLayout for the client size first and call this only when it succeeded.
// path: the processor path of the call's kernels (tests compare paths; at most the active one).
void CompositeRegion(int w, int h, int x0, int y0, bool protect,
                     ProcessorPath path = ActiveProcessorPath());
