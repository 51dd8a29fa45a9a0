// Not yet built: the persistent surfaces. Nothing is ever allocated until they land.
#include "frame/frame_buffers.h"

bool EnsureFrameBuffers(HDC, int, int) {
    return false;
}

void ReleaseFrameBuffers() {}

void FitWallpaper(int, int) {}

HDC WorkingDc() {
    return nullptr;
}

HDC LastFrameDc() {
    return nullptr;
}
