#include "host/main_timer.h"

#include <cstring>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "base/plugin_state.h"
#include "base/ticks.h"
#include "base/version.h"
#include "frame/wallpaper_image.h"
#include "intercept/arrange_subclass.h"
#include "intercept/bitblt_hook.h"
#include "keying/theme_colours.h"
#include "present/arrange_target.h"
#include "present/arrange_theme.h"
#include "present/frame_buffers.h"
#include "present/frame_threads.h"
#include "present/note_views.h"
#include "present/render.h"
#include "present/settings_apply.h"
#include "settings/project_settings.h"
#include "ui/commands.h"

namespace {

constexpr int kArrangeDialogItem = 1000;
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 200;
constexpr uint32_t kSettingsIntervalMs = 250;
constexpr uint32_t kFallbackRenderIntervalMs = 100;
constexpr int kPlayingOrRecording = 5; // bit 0 playing, bit 2 recording

constexpr const char* kActivationBanner = "\n"
                                          "========================================\n"
                                          "Murivo V" MURIVO_VERSION_TEXT " ACTIVE\n"
                                          "========================================\n"
                                          "WM_PAINT correction: YES\n"
                                          "Timer fallback: 100ms without presentation hook\n"
                                          "Idle interaction correction: YES\n"
                                          "PLAY -> STOP detection: YES\n"
                                          "BitBlt pre-presentation: ENABLED IF AVAILABLE\n"
                                          "Last-frame protection: YES\n"
                                          "========================================\n";

void RedrawNow(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

void Detach() {
    StopFrameThreads(); // nothing to draw until the next attach
    StopPictureWork();
    RemoveArrangeSubclass();
    DetachNoteViews();
    ReleaseFrameBuffers();
    g_target.window = nullptr;
    g_target.thread_id = 0;
    g_target.attached = false;
}

void TryAttach() {
    HWND candidate = FindArrangeView();
    if (candidate == nullptr || !IsWindow(candidate) || !IsWindowVisible(candidate)) {
        return;
    }
    RECT client = {};
    if (!GetClientRect(candidate, &client)) {
        return;
    }
    if (client.right - client.left < kMinimumWidth || client.bottom - client.top < kMinimumHeight) {
        return;
    }
    g_target.window = candidate;
    g_target.thread_id = GetWindowThreadProcessId(candidate, nullptr);

    RefreshArrangeTheme();
    // Without the theme's background colour there is nothing to key against yet.
    if (g_theme.background_count == 0) {
        return;
    }
    uint32_t bg = static_cast<uint32_t>(g_theme.arrange_bg);
    DebugLinef("Arrange background: %u,%u,%u", bg & 0xFFu, (bg >> 8) & 0xFFu, (bg >> 16) & 0xFFu);

    // Before the first picture is fitted: its rows are shared between the same threads.
    StartFrameThreads();
    ApplyProjectSettings(true, false);
    if (!InstallArrangeSubclass()) {
        DebugLine("Arrange hook unavailable; using timer correction.\n");
    }
    if (g_target.import_slot == nullptr && !InstallBitBltHook()) {
        DebugLine("Using post-paint fallback for this REAPER build.\n");
    }
    g_target.last_play_state = g_host.GetPlayState != nullptr ? g_host.GetPlayState() : 0;
    FollowPlayStateWithFrameThreads(g_target.last_play_state);
    g_target.attached = true;
    g_target.last_timer_render_tick = GetTickCount();
    RenderAndPresent(g_target.window, true);
    DebugLine(kActivationBanner);
}

// One tick of an attached, visible arrange view.
void FollowAttached() {
    HWND window = g_target.window;
    uint32_t now = GetTickCount();
    ReaProject* project = CurrentProject();
    if (project != g_last_applied_project ||
        TicksSince(now, g_target.last_settings_tick) >= kSettingsIntervalMs) {
        g_target.last_settings_tick = now;
        ApplyProjectSettings(false, true);
        ReloadPictureIfChanged();
        if (RefreshArrangeTheme() && IsWallpaperLoaded()) {
            RedrawNow(window);
        }
    }
    // What the picture thread finished is shown at the next tick, not the next settings tick.
    TakeFinishedPictureWork();
    FollowNoteViews(g_current_settings.midi_editor);
    if (!IsWallpaperLoaded()) {
        if (g_host.GetPlayState != nullptr) {
            g_target.last_play_state = g_host.GetPlayState();
            FollowPlayStateWithFrameThreads(g_target.last_play_state);
        }
        return;
    }
    CheckPlayStop();
    now = GetTickCount();
    if (HookedMode()) {
        if (g_target.deferred_due_tick == 0 || !TickReached(now, g_target.deferred_due_tick)) {
            return;
        }
        g_target.deferred_due_tick = 0;
        if (g_target.present_count == g_target.deferred_present_count) {
            RenderAndPresent(window, true);
        }
        return;
    }
    if (TicksSince(now, g_target.last_timer_render_tick) < kFallbackRenderIntervalMs) {
        RenderDueNoteView();
        return;
    }
    g_target.last_timer_render_tick = now;
    RenderAndPresent(window, true);
}

void Tick() {
    if (g_target.attached) {
        HWND found = FindArrangeView();
        bool gone = g_target.window == nullptr || !IsWindow(g_target.window);
        bool replaced = found != nullptr && found != g_target.window;
        if (!gone && !replaced) {
            // A hidden arrange view stays attached and gets no work.
            if (IsWindowVisible(g_target.window)) {
                FollowAttached();
            }
            return;
        }
        Detach();
    }
    TryAttach();
}

} // namespace

HWND FindArrangeView() {
    if (g_host_main_window == nullptr) {
        return nullptr;
    }
    HWND child = GetDlgItem(g_host_main_window, kArrangeDialogItem);
    if (child == nullptr) {
        return nullptr;
    }
    char class_name[256] = {};
    GetClassNameA(child, class_name, sizeof class_name);
    return std::strcmp(class_name, "REAPERTrackListWindow") == 0 ? child : nullptr;
}

void CheckPlayStop() {
    if (g_target.window == nullptr || g_host.GetPlayState == nullptr) {
        return;
    }
    int state = g_host.GetPlayState();
    FollowPlayStateWithFrameThreads(state);
    bool was_running = (g_target.last_play_state & kPlayingOrRecording) != 0;
    bool is_running = (state & kPlayingOrRecording) != 0;
    if (was_running && !is_running) {
        HWND window = g_target.window;
        // Put the last corrected image back before the host repaints its uncorrected one.
        RepresentLastFrame(window);
        uint32_t before = g_target.present_count;
        RedrawNow(window);
        if (g_target.present_count == before) {
            RenderAndPresent(window, true);
        }
        ScheduleDeferredCorrection();
    }
    g_target.last_play_state = state;
}

void OnMainTimer() {
    // A message box of ours runs a modal loop in which the host's timer keeps calling.
    static bool ticking = false;
    if (ticking) {
        return;
    }
    ticking = true;
    RunGuarded([] {
        Tick();
        if (TakeChosenPictureFailure()) {
            WarnChosenPictureUnloadable();
        }
    });
    ticking = false;
}
