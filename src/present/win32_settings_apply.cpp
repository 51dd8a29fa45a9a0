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
#include "present/note_views.h"
#include "present/picture_fit.h"
#include "present/picture_source.h"
#include "present/picture_worker.h"
#include "present/render.h"
#include "settings/default_wallpaper.h"
#include "settings/project_settings.h"
#include "settings/project_storage.h"

namespace {

// A picture whose folder, drive or server could not be reached: asked for again at growing
// intervals, as a server that is down may hold each open for seconds.
struct UnreachablePicture {
    bool active = false;
    uint32_t due_tick = 0;
    uint32_t interval_ms = 0;
};

constexpr uint32_t kFirstRetryMs = 1000;
constexpr uint32_t kLongestRetryMs = 16000;

// The work asked of the picture thread. Only the result of the latest ticket is taken; checks
// carry the ticket of the picture they look at.
struct PictureWork {
    uint64_t ticket = 0;
    bool loading = false;          // the latest ticket is a load
    ReaProject* project = nullptr; // whose picture is loading
    bool from_default = false;     // it is the default wallpaper
    bool chosen = false;           // the user just chose it: a failure is told at once
    bool chosen_failed = false;    // and it failed
};

UnreachablePicture g_unreachable;
PictureWork g_work;

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
    // A load under way will show it.
    return next.enabled && !IsWallpaperLoaded() && !g_work.loading;
}

// The fit the view needs now: its surfaces' size, else its client size; 0 x 0 when detached.
FitInputs CurrentFit() {
    int width = g_frame.width;
    int height = g_frame.height;
    RECT client = {};
    if ((width <= 0 || height <= 0) && g_target.window != nullptr &&
        GetClientRect(g_target.window, &client)) {
        width = client.right - client.left;
        height = client.bottom - client.top;
    }
    if (width <= 0 || height <= 0) {
        width = 0;
        height = 0;
    }
    return FitInputsFor(g_current_settings, width, height);
}

void PostLoad(ReaProject* project, const ShownSettings& shown) {
    PictureJob job;
    job.kind = PictureJobKind::load;
    job.ticket = ++g_work.ticket;
    job.search = PlanPictureSearch(project, shown);
    job.fit = CurrentFit();
    g_work.loading = true;
    g_work.project = project;
    g_work.from_default = shown.from_default;
    g_work.chosen = false;
    PostPictureJob(std::move(job));
}

void PostRefit() {
    const FitInputs fit = CurrentFit();
    if (!IsWallpaperLoaded() || fit.width == 0) {
        return;
    }
    PictureJob job;
    job.kind = PictureJobKind::refit;
    job.ticket = ++g_work.ticket;
    job.picture = ShownPictureRef();
    job.source = g_picture_source;
    job.fit = fit;
    PostPictureJob(std::move(job));
}

// Nothing shown; what is under way is no longer wanted.
void ShowNothing() {
    ReleaseWallpaperImage();
    InvalidateLastFrame();
    g_picture_source = {};
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
    RedrawNoteViews();
}

// The picture of a result on screen, with the surface fitted for it when that still fits the
// view; otherwise the view is fitted again in the background and keeps its surface meanwhile.
void ShowResultPicture(PictureResult& result) {
    if (result.kind != PictureJobKind::refit) {
        ReportPictureShown(*result.picture);
    }
    PictureRef previous = ShownPictureRef();
    ShowPicture(result.picture);
    DiscardOnPictureThread(std::move(previous), {});
    g_picture_source = result.source;
    AdvanceKeyingGeneration();
    InvalidateLastFrame();
    const FitInputs wanted = CurrentFit();
    const bool adopted =
        result.fitted.bitmap != nullptr && result.fit == wanted &&
        AdoptFittedSurface(result.fitted, result.fit.width, result.fit.height, result.picture_rect);
    if (adopted) {
        DiscardOnPictureThread(nullptr, result.fitted); // the surface it replaced
        result.fitted = {};
    } else if (g_frame.fitted != nullptr) {
        PostRefit();
    }
}

void TakeLoad(PictureResult& result) {
    g_work.loading = false;
    switch (result.outcome) {
    case PictureLoad::loaded:
        g_unreachable = {};
        ShowResultPicture(result);
        return;
    case PictureLoad::abandoned:
        return;
    case PictureLoad::refused:
        // A refused path is not missing: the user can still choose it, so nothing is switched
        // off.
        g_unreachable = {};
        ShowNothing();
        return;
    case PictureLoad::unreachable: {
        // Nor is a picture that cannot be reached for now: a server or drive that comes back
        // shows it again, and the project keeps the user's choice (no write, no dirty mark).
        ShowNothing();
        if (!g_unreachable.active) {
            DebugLine(kPictureUnreachableLine);
        }
        g_unreachable.interval_ms = g_unreachable.active
                                        ? std::min(g_unreachable.interval_ms * 2, kLongestRetryMs)
                                        : kFirstRetryMs;
        g_unreachable.active = true;
        g_unreachable.due_tick = GetTickCount() + g_unreachable.interval_ms;
        return;
    }
    case PictureLoad::missing:
    case PictureLoad::undecodable:
        g_unreachable = {};
        ShowNothing();
        // Nor is the default switched off in a project that does not hold it.
        if (g_work.from_default) {
            return;
        }
        g_current_settings.enabled = false;
        StoreDisabled(g_work.project);
        DebugLine("Wallpaper image unavailable; disabled for this project.\n");
        g_work.chosen_failed = g_work.chosen;
        return;
    }
}

void TakeResult(PictureResult& result) {
    for (const std::string& line : result.lines) {
        DebugLine(line.c_str());
    }
    switch (result.kind) {
    case PictureJobKind::load:
        TakeLoad(result);
        break;
    case PictureJobKind::refit:
        if (result.outcome == PictureLoad::loaded && IsWallpaperLoaded()) {
            ShowResultPicture(result);
        }
        break;
    case PictureJobKind::check:
        if (result.outcome == PictureLoad::loaded) {
            ShowResultPicture(result);
        } else if (result.outcome == PictureLoad::undecodable) {
            // Kept on screen; tried again only once the file changes again.
            g_picture_source.write_time = result.source.write_time;
            g_picture_source.size = result.source.size;
            return;
        }
        break;
    case PictureJobKind::view_fit:
        return; // taken by the note views
    }
    Redraw();
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

    if (!next.enabled || next.path.empty()) {
        // Off at once; whatever the picture thread is doing is no longer wanted.
        ShowNothing();
        g_unreachable = {};
        g_work.loading = false;
        ++g_work.ticket;
    } else if (reload || (refit && g_work.loading)) {
        // The view keeps what it shows until the new picture is ready.
        g_unreachable = {};
        PostLoad(project, shown);
    } else if (refit) {
        PostRefit();
    }
    if (redraw) {
        Redraw();
    }
    RefreshToolbarButton(kToggle);
    RefreshToolbarButton(kMidiEditor);
}

void TakeFinishedPictureWork() {
    PictureResult result;
    while (TakePictureResult(result)) {
        if (TakeNoteViewFit(result)) {
            // a note view's own fit, taken or dropped there
        } else if (result.ticket == g_work.ticket) {
            TakeResult(result);
        }
        ReleasePictureResult(result);
        result = {};
    }
}

void ReloadPictureIfChanged() {
    if (g_unreachable.active) {
        if (!g_work.loading && TickReached(GetTickCount(), g_unreachable.due_tick)) {
            ReaProject* project = CurrentProject();
            PostLoad(project, ReadShownSettings(project));
        }
        return;
    }
    if (g_work.loading || !IsWallpaperLoaded()) {
        return;
    }
    if (g_frame_buffers.refit_wanted) {
        g_frame_buffers.refit_wanted = false;
        PostRefit();
        return;
    }
    if (g_picture_source.file.empty()) {
        return;
    }
    PictureJob job;
    job.kind = PictureJobKind::check;
    job.ticket = g_work.ticket;
    job.source = g_picture_source;
    job.fit = CurrentFit();
    PostPictureJob(std::move(job));
}

void WatchChosenPicture() {
    g_work.chosen = g_work.loading;
    g_work.chosen_failed = false;
}

bool TakeChosenPictureFailure() {
    const bool failed = g_work.chosen_failed;
    g_work.chosen_failed = false;
    return failed;
}

void StopPictureWork() {
    StopPictureWorker();
    ++g_work.ticket;
    g_work.loading = false;
}

void ResetCurrentSettings() {
    g_current_settings = ProjectSettings{};
    g_last_applied_project = nullptr;
    g_picture_source = {};
    g_unreachable = {};
    g_work.loading = false;
    ++g_work.ticket;
}
