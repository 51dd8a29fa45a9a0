#include "present/settings_apply.h"

#include <windows.h>

#include "base/command_ids.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "keying/key_colour_cache.h"
#include "present/arrange_target.h"
#include "present/frame_buffers.h"
#include "present/picture_source.h"
#include "present/render.h"
#include "settings/default_wallpaper.h"
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

void LoadOrDisable(ReaProject* project, const ShownSettings& shown) {
    PictureLoad outcome = LoadShownPicture(project, shown);
    // A refused path is not missing: the user can still choose it, so nothing is switched off.
    // Nor is the default switched off in a project that does not hold it.
    if (outcome == PictureLoad::loaded || outcome == PictureLoad::refused) {
        return;
    }
    ReleaseWallpaperImage();
    g_picture_source = {};
    if (shown.from_default) {
        return;
    }
    g_current_settings.enabled = false;
    StoreDisabled(project);
    DebugLine("Wallpaper image unavailable; disabled for this project.\n");
}

void RefitLoadedPicture() {
    if (IsWallpaperLoaded() && g_frame.fitted != nullptr && g_frame.width > 0 &&
        g_frame.height > 0) {
        FitWallpaper(g_frame.width, g_frame.height);
    }
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
    ReaProject* project = CurrentProject();
    ShownSettings shown = ReadShownSettings(project);
    const ProjectSettings& next = shown.settings;

    // "enabled" without a picture reads as off anyway; store it as off so the project says so.
    if (project != nullptr && next.path.empty() && g_host.SetProjExtState != nullptr &&
        ReadExtStateValue(project, "enabled") == "1") {
        StoreDisabled(project);
    }

    if (!force_reload && project == g_last_applied_project && next == g_current_settings) {
        return;
    }
    bool reload = NeedsReload(force_reload, project, next);
    bool refit = next.mode != g_current_settings.mode ||
                 next.grayscale != g_current_settings.grayscale ||
                 next.anchor != g_current_settings.anchor || next.blur != g_current_settings.blur;

    g_last_applied_project = project;
    g_current_settings = next;
    AdvanceKeyingGeneration();

    if (reload || !next.enabled) {
        ReleaseWallpaperImage();
        InvalidateLastFrame();
        g_picture_source = {};
    }
    if (next.enabled && !next.path.empty()) {
        if (reload) {
            LoadOrDisable(project, shown);
        }
        if (reload || refit) {
            RefitLoadedPicture();
        }
    }
    if (redraw) {
        Redraw();
    }
    if (g_host.RefreshToolbar2 != nullptr && g_command_ids[kToggle] != 0) {
        g_host.RefreshToolbar2(0, g_command_ids[kToggle]);
    }
}

void ReloadPictureIfChanged() {
    if (!IsWallpaperLoaded() || g_picture_source.file.empty()) {
        return;
    }
    uint64_t write_time = 0;
    uint64_t size = 0;
    // Gone or unreadable: the picture stays on screen until the project is applied afresh.
    if (!QueryPictureFile(g_picture_source.file, write_time, size)) {
        return;
    }
    if (write_time == g_picture_source.write_time && size == g_picture_source.size) {
        return;
    }
    // Noted before decoding, so a file caught half-written is tried again only once it changes
    // again (the editor finishing), with one line per change rather than one per tick.
    g_picture_source.write_time = write_time;
    g_picture_source.size = size;
    WallpaperImage shown = g_wallpaper;
    g_wallpaper = {};
    if (!LoadWallpaperImage(g_picture_source.file)) {
        g_wallpaper = shown;
        return;
    }
    WallpaperImage fresh = g_wallpaper;
    g_wallpaper = shown;
    ReleaseWallpaperImage();
    g_wallpaper = fresh;
    AdvanceKeyingGeneration();
    InvalidateLastFrame();
    RefitLoadedPicture();
    Redraw();
}

void ResetCurrentSettings() {
    g_current_settings = ProjectSettings{};
    g_last_applied_project = nullptr;
    g_picture_source = {};
}
