#include "present/arrange_theme.h"

#include "frame/frame_view.h"
#include "keying/key_colour_cache.h"
#include "keying/theme_colours.h"

bool RefreshArrangeTheme() {
    if (!RefreshThemeColours()) {
        return false;
    }
    AdvanceKeyingGeneration();
    InvalidateLastFrame();
    return true;
}
