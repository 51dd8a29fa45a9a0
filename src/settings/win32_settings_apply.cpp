#include "settings/settings_apply.h"

#include <windows.h>

#include "frame/frame_buffers.h"
#include "frame/frame_view.h"
#include "frame/render.h"
#include "frame/wallpaper_image.h"
#include "host/actions.h"
#include "host/arrange_target.h"
#include "host/debug_line.h"
#include "host/host_api.h"
#include "keying/key_colour_cache.h"
#include "settings/project_settings.h"
#include "settings/project_storage.h"

namespace {

void StoreDisabled(ReaProject* project) {
    if (project == nullptr || g_host.SetProjExtState == nullptr) {
        return;
    }
    g_host.SetProjExtState(project, kExtStateSection, "enabled", "0");
    if (g_host.MarkProjectDirty != nullptr) {
        g_host.MarkProjectDirty(project);
    }
}

bool NeedsReload(bool force_reload, ReaProject* project, const ProjectSettings& next) {
    if (force_reload || project != g_last_applied_project) {
        return true;
    }
    if (next.path != g_current_settings.path) {
        return true;
    }
    return next.enabled && !IsWallpaperLoaded();
}

void LoadOrDisable(ReaProject* project) {
    if (LoadWallpaperImage(g_current_settings.path)) {
        return;
    }
    ReleaseWallpaperImage();
    g_current_settings.enabled = false;
    StoreDisabled(project);
    DebugLine("Wallpaper image unavailable; disabled for this project.\n");
}

void Redraw() {
    HWND window = g_target.window;
    if (window == nullptr || !IsWindow(window)) {
        return;
    }
    uint32_t before = g_target.present_count;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    // A repaint the hook presented is corrected already; a render now would blend it twice.
    if (IsWallpaperLoaded() && g_target.present_count == before) {
        RenderAndPresent(window, true);
    }
}

} // namespace

void ApplyProjectSettings(bool force_reload, bool redraw) {
    ReaProject* project =
        g_host.EnumProjects != nullptr ? g_host.EnumProjects(-1, nullptr, 0) : nullptr;
    ProjectSettings next = ReadProjectSettings(project);

    // "enabled" without a picture reads as off anyway; store it as off so the project says so.
    if (project != nullptr && next.path.empty() && g_host.SetProjExtState != nullptr &&
        ReadExtStateValue(project, "enabled") == "1") {
        StoreDisabled(project);
    }

    if (!force_reload && project == g_last_applied_project && next == g_current_settings) {
        return;
    }
    bool reload = NeedsReload(force_reload, project, next);
    bool refit =
        next.mode != g_current_settings.mode || next.grayscale != g_current_settings.grayscale;

    g_last_applied_project = project;
    g_current_settings = next;
    AdvanceKeyingGeneration();

    if (reload || !next.enabled) {
        ReleaseWallpaperImage();
        InvalidateLastFrame();
    }
    if (next.enabled && !next.path.empty()) {
        if (reload) {
            LoadOrDisable(project);
        }
        if ((reload || refit) && IsWallpaperLoaded() && g_frame.fitted != nullptr &&
            g_frame.width > 0 && g_frame.height > 0) {
            FitWallpaper(g_frame.width, g_frame.height);
        }
    }
    if (redraw) {
        Redraw();
    }
    if (g_host.RefreshToolbar2 != nullptr && g_command_ids[kToggle] != 0) {
        g_host.RefreshToolbar2(0, g_command_ids[kToggle]);
    }
}
