// Rendering a corrected frame onto an attached view (the arrange view unless one is given).
#pragma once

#include <windows.h>

#include "present/frame_buffers.h"

// Stops a render from starting inside another one (or inside the hook's own work).
extern bool g_render_busy;

// Captures what the window shows, corrects it and puts it back; keeps a copy as the last frame.
void RenderAndPresent(const ViewFrame& view, HWND window, bool keep_last_frame);
inline void RenderAndPresent(HWND window, bool keep_last_frame) {
    RenderAndPresent(ArrangeFrame(), window, keep_last_frame);
}

// Copies the kept last frame, when valid, straight onto the window.
void RepresentLastFrame(const ViewFrame& view, HWND window);
inline void RepresentLastFrame(HWND window) {
    RepresentLastFrame(ArrangeFrame(), window);
}
