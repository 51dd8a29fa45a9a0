// Blends the fitted wallpaper into a captured rectangle of the arrange view, in place.
#pragma once

#include "base/processor_features.h"
#include "keying/composite_call.h"

// Callers run UpdateItemLayout for the client size first and call this only when it succeeded.
// path: the processor path of the call's kernels (tests compare paths; at most the active one).
void CompositeRegion(const CompositeCall& call, ProcessorPath path = ActiveProcessorPath());
