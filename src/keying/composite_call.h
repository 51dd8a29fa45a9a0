// What one composite works on, handed in by the caller rather than read from module state.
#pragma once

#include "frame/frame_view.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"
#include "settings/project_settings.h"

// The rectangle (w x h at client position x0, y0) sits at row 0, column 0 of the frame's
// working surface.
struct CompositeCall {
    int w;
    int h;
    int x0;
    int y0;
    bool protect; // leave pixels equal to the kept last frame (the capture came from the screen)
    const FrameView& frame;
    const ProjectSettings& settings;
    ItemOverlay& items; // its layout is read; the backgrounds found in the rectangle are written
    HostFrame host;     // the host's whole frame beside the rectangle; bits null when none
    const ThemeColourSet& theme;
};
