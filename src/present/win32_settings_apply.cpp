#include "present/settings_apply.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/command_ids.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "base/ticks.h"
#include "frame/frame_view.h"
#include "frame/picture_file.h"
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

// A picture whose folder, drive or server could not be reached: looked at again on the settings
// tick, at growing intervals, as a server that is down may hold each open for seconds.
struct UnreachablePicture {
    std::u16string file; // empty while there is none
    uint32_t due_tick = 0;
    uint32_t interval_ms = 0;
};

constexpr uint32_t kFirstRetryMs = 1000;
constexpr uint32_t kLongestRetryMs = 16000;

UnreachablePicture g_unreachable;

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
    g_unreachable = {};
    std::u16string unreachable_file;
    PictureLoad outcome = LoadShownPicture(project, shown, unreachable_file);
    // A refused path is not missing: the user can still choose it, so nothing is switched off.
    // Nor is the default switched off in a project that does not hold it.
    if (outcome == PictureLoad::loaded || outcome == PictureLoad::refused) {
        return;
    }
    // Nor is a picture that cannot be reached for now: a server or drive that comes back shows
    // it again, and the project keeps the user's choice (no write, no dirty mark).
    if (outcome == PictureLoad::unreachable) {
        ReleaseWallpaperImage();
        g_picture_source = {};
        DebugLine(kPictureUnreachableLine);
        g_unreachable = {unreachable_file, GetTickCount() + kFirstRetryMs, kFirstRetryMs};
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
        g_unreachable = {};
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

namespace {

// Looks at the unreachable picture again when due; once it can be reached (or is plainly gone),
// the project's picture is applied afresh, with the specified outcome for what it finds.
void RetryUnreachablePicture() {
    const uint32_t now = GetTickCount();
    if (!TickReached(now, g_unreachable.due_tick)) {
        return;
    }
    PictureFile probe = OpenPictureFile(g_unreachable.file);
    const bool still_unreachable = probe.status == PictureFileStatus::unreachable;
    ClosePictureFile(probe);
    if (still_unreachable) {
        g_unreachable.interval_ms = std::min(g_unreachable.interval_ms * 2, kLongestRetryMs);
        g_unreachable.due_tick = GetTickCount() + g_unreachable.interval_ms;
        return;
    }
    g_unreachable = {};
    ApplyProjectSettings(true, true);
}

} // namespace

void ReloadPictureIfChanged() {
    if (!g_unreachable.file.empty()) {
        RetryUnreachablePicture();
        return;
    }
    if (!IsWallpaperLoaded() || g_picture_source.file.empty()) {
        return;
    }
    // Gone or unreadable: the picture stays on screen until the project is applied afresh.
    PictureFile file = OpenPictureFile(g_picture_source.file);
    if (file.status != PictureFileStatus::opened) {
        return;
    }
    if (file.write_time == g_picture_source.write_time && file.size == g_picture_source.size) {
        ClosePictureFile(file);
        return;
    }
    // Noted before decoding, so a file caught half-written is tried again only once it changes
    // again (the editor finishing), with one line per change rather than one per tick.
    g_picture_source.write_time = file.write_time;
    g_picture_source.size = file.size;
    WallpaperImage shown = g_wallpaper;
    g_wallpaper = {};
    const bool loaded = LoadWallpaperFromFile(file, g_picture_source.file);
    ClosePictureFile(file);
    if (!loaded) {
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
    g_unreachable = {};
}
