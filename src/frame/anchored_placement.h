// Where the picture lies on the fitted surface for every fit mode, with the anchor applied.
#pragma once

#include "frame/frame_view.h"
#include "settings/project_settings.h"

struct Placement {
    PixelRect placed; // the picture's rectangle (for tile, the anchored tile); may overhang
    PixelRect shown;  // the part of the surface the picture covers; empty when none
};

// Cover and contain scale as PlacePicture does; tile and center keep the picture's own size.
// The anchor moves the picture to an edge or corner instead of the middle (stretch fills the
// surface whatever the anchor). All zero when the picture or the surface has no size.
Placement PlaceAnchored(FitMode mode, Anchor anchor, int surface_width, int surface_height,
                        int image_width, int image_height);

// The picture column (or row) that surface position 0 shows when tiles `size` long repeat from
// `origin`, one of them starting there.
int TilePhase(int origin, int size);
