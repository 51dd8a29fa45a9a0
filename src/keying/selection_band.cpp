#include "keying/selection_band.h"

#include <algorithm>
#include <cmath>

#include "base/host_api.h"

SelectionBand ComputeSelectionBand(int width, const ThemeColourSet& theme) {
    if (theme.note_view) {
        // The MIDI editor's own zoom is not known here: its time selection is recognised by
        // its colour anywhere across the view.
        return theme.selection_valid ? SelectionBand{-1, width + 1} : SelectionBand{0, 0};
    }
    const HostApi& h = g_host;
    if (!theme.selection_valid || !h.EnumProjects || !h.GetSet_ArrangeView2 ||
        !h.GetSet_LoopTimeRange2) {
        return {0, 0};
    }
    ReaProject* project = CurrentProject(h);
    if (project == nullptr) {
        return {0, 0};
    }
    double view_start = 0;
    double view_end = 0;
    h.GetSet_ArrangeView2(project, false, 0, 0, &view_start, &view_end);
    double sel_start = 0;
    double sel_end = 0;
    h.GetSet_LoopTimeRange2(project, false, false, &sel_start, &sel_end, false);
    const double span = view_end - view_start;
    if (!(span > 0) || !(sel_end > sel_start)) {
        return {0, 0};
    }
    double pixels_per_second = width / span;
    if (h.GetHZoomLevel) {
        const double zoom = h.GetHZoomLevel();
        if (zoom > 0 && std::isfinite(zoom)) {
            pixels_per_second = zoom;
        }
    }
    const double xs = (sel_start - view_start) * pixels_per_second;
    const double xe = (sel_end - view_start) * pixels_per_second;
    if (!std::isfinite(xs) || !std::isfinite(xe)) {
        return {0, 0};
    }
    const double limit = std::max(width, 0);
    return {int(std::floor(std::clamp(xs, 0.0, limit))),
            int(std::ceil(std::clamp(xe, 0.0, limit)))};
}
