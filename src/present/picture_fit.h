// Fitting a picture to the arrange view: what a fit depends on, and the drawing itself, which
// reads only its arguments so that it can run on the picture thread as well as the interface
// thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "settings/project_settings.h"

struct FitInputs {
    int width = 0; // the view's; 0 x 0: nothing to fit yet
    int height = 0;
    FitMode mode = FitMode::cover;
    Anchor anchor = Anchor::center;
    bool grayscale = false;
    int blur_permille = 0;
};

bool operator==(const FitInputs& a, const FitInputs& b);

FitInputs FitInputsFor(const ProjectSettings& settings, int width, int height);

// The size the picture must be kept at for this fit to show all the detail it can.
PictureSize DetailWantedFor(const WallpaperImage& image, const FitInputs& fit);

// Draws image fitted into the fit.width x fit.height surface behind dc and pixels (black where
// it does not reach) and returns where the picture lies: the tiles' area in tile mode, the one
// picture otherwise. An empty image leaves the surface black.
PixelRect FitPicture(const WallpaperImage& image, const FitInputs& fit, HDC dc, uint32_t* pixels);
