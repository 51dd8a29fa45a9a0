// Where the project's media items lie in the arrange view, asked from the host.
#pragma once

#include "keying/item_overlay.h"
#include "keying/theme_colours.h"

// Rebuilds the overlay's layout and class map when anything changed; lanes without a colour of
// their own take the theme's arrange background. False (frame to be presented unkeyed) without
// the host functions, a project or a view span.
bool UpdateItemLayout(ItemOverlay& overlay, const ThemeColourSet& theme, int width, int height);
