// Where the scaled wallpaper lies inside the fitted surface for each fit mode.
#pragma once

#include "frame/frame_view.h"
#include "settings/project_settings.h"

// The placed rectangle (right and bottom exclusive) of an image_width x image_height picture
// fitted into a surface_width x surface_height surface. Cover may extend past every side;
// contain leaves bands. All zero when the picture has no size.
PixelRect PlacePicture(FitMode mode, int surface_width, int surface_height, int image_width,
                       int image_height);

// The part of rect that lies on a width x height surface; empty (all zero) when none does.
PixelRect ClipToSurface(PixelRect rect, int width, int height);
