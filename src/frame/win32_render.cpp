// Not yet built: rendering. Without a loaded picture a render does nothing anyway.
#include "frame/render.h"

bool g_render_busy = false;

void RenderAndPresent(HWND, bool) {}

void RepresentLastFrame(HWND) {}
