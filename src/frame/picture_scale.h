// Draws the loaded picture scaled into a surface.
#pragma once

#include <windows.h>

#include <cstdint>

#include "frame/frame_view.h"

// Draws g_wallpaper scaled to placed (clipped to the width x height surface behind dc and
// pixels). Reductions are area-averaged by our own code; enlargements go through GDI.
void DrawPictureScaled(HDC dc, uint32_t* pixels, int width, int height, PixelRect placed);
