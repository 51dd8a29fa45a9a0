// Blends the fitted wallpaper into a captured rectangle of the arrange view, in place.
#pragma once

#include "keying/composite_call.h"

// Callers run UpdateItemLayout for the client size first and call this only when it succeeded.
void CompositeRegion(const CompositeCall& call);
