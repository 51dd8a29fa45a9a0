// Rendering a corrected frame onto the arrange view.
#pragma once

#include <windows.h>

// Stops a render from starting inside another one (or inside the hook's own work).
extern bool g_render_busy;

// Captures what the window shows, corrects it and puts it back; keeps a copy as the last frame.
void RenderAndPresent(HWND window, bool keep_last_frame);

// Copies the kept last frame, when valid, straight onto the window.
void RepresentLastFrame(HWND window);
