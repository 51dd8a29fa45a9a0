// Where the project's media items lie in the arrange view, asked from the host.
#pragma once

// Rebuilds g_item_overlay's layout and class map when anything changed. False (frame to be
// presented unkeyed) without the host functions, a project or a view span.
bool UpdateItemLayout(int width, int height);
