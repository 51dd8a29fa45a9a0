// The pixel surfaces of one frame as the portable keying code sees them. The Windows frame
// pipeline owns the DIB sections behind these pointers and keeps this view in step with them.
#pragma once

#include <cstdint>

struct PixelRect {
    int left;
    int top;
    int right;
    int bottom;
};

struct FrameView {
    uint32_t* working;    // captured host pixels, composited in place; rows top-down, no gaps
    uint32_t* fitted;     // the wallpaper fitted to the client area, same size
    uint32_t* last_frame; // the last presented frame, same size
    int width;            // client width W
    int height;           // client height H
    PixelRect picture_rect; // where the picture lies inside fitted (contain leaves bands)
    bool last_frame_valid;
};

extern FrameView g_frame;

// The kept frame no longer matches what a render would produce.
void InvalidateLastFrame();
