// The module's single export: load binds the host's API and registers everything, a null
// record unloads in a fixed order.
#include <windows.h>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "base/host_records.h"
#include "base/plugin_state.h"
#include "base/version.h"
#include "frame/wallpaper_image.h"
#include "host/actions.h"
#include "host/main_timer.h"
#include "host/plugin_entry.h"
#include "host/script_api.h"
#include "intercept/arrange_subclass.h"
#include "intercept/bitblt_hook.h"
#include "present/arrange_target.h"
#include "present/frame_buffers.h"
#include "present/frame_threads.h"
#include "present/note_views.h"
#include "present/settings_apply.h"
#include "settings/project_settings.h"

namespace {

void* TimerCallback() {
    return reinterpret_cast<void*>(&OnMainTimer);
}

int Load(HINSTANCE instance, const PluginInfo* info) {
    if (info->caller_version != kHostInterfaceVersion) {
        return 0;
    }
    if (info->GetFunc == nullptr) {
        DebugLine("REAPER API lookup unavailable.\n");
        return 0;
    }
    BindHostApi(info->GetFunc);
    if (!CheckRequiredHostFunctions()) {
        return 0;
    }
    ReportMissingOptionalHostFunctions();
    g_host_main_window = info->hwnd_main;
    g_module_instance = instance;
    g_shutting_down.exchange(0);
    DebugLine("\n========================================\nMurivo V" MURIVO_VERSION_TEXT "\n"
              "========================================\n");
    if (!RegisterActions()) {
        DebugLine("Unable to register Murivo actions/menu.\n");
        UnloadExtension();
        return 0;
    }
    if (g_host.plugin_register("timer", TimerCallback()) == 0) {
        DebugLine("Unable to register Murivo timer.\n");
        UnloadExtension();
        return 0;
    }
    g_timer_registered = true;
    // Last: a script can reach the extension only once everything it changes is in place.
    RegisterScriptFunctions();
    DebugLine("Waiting for Arrange View...\n");
    return 1;
}

} // namespace

void UnloadExtension() {
    g_shutting_down.exchange(1);
    if (g_timer_registered && g_host.plugin_register != nullptr) {
        g_host.plugin_register("-timer", TimerCallback());
    }
    g_timer_registered = false;
    UnregisterScriptFunctions();
    UnregisterActions();
    RemoveBitBltHook();
    RemoveArrangeSubclass();
    StopFrameThreads(); // no frame can start now; none may outlive the unload
    StopPictureWork();  // a read in flight is abandoned, never waited for long
    DetachNoteViews();
    ReleaseFrameBuffers();
    ReleaseWallpaperImage();

    g_target.attached = false;
    g_target.window = nullptr;
    g_target.thread_id = 0;
    g_target.deferred_due_tick = 0;
    g_target.deferred_present_count = 0;
    g_host_main_window = nullptr;
    g_module_instance = nullptr;
    ResetCurrentSettings();
}

extern "C" __attribute__((visibility("default"))) int ReaperPluginEntry(HINSTANCE instance,
                                                                        const PluginInfo* info) {
    return RunGuarded(0, [&] {
        if (info == nullptr) {
            UnloadExtension();
            return 0;
        }
        return Load(instance, info);
    });
}
