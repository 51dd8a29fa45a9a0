// Draws a picture scaled into a surface.
#pragma once

#include <windows.h>

#include <cstdint>

#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"

// Draws image scaled to placed (clipped to the width x height surface behind dc and pixels).
// Reductions are area-averaged by our own code; enlargements go through GDI from the picture's
// pixels, never its device context, so two threads may draw one picture at once.
void DrawPictureScaled(const WallpaperImage& image, HDC dc, uint32_t* pixels, int width, int height,
                       PixelRect placed);
