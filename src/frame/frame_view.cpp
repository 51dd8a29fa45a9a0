#include "frame/frame_view.h"

FrameView g_frame = {};

void InvalidateLastFrame() {
    g_frame.last_frame_valid = false;
}
