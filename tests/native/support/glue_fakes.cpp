// Stand-ins for the Win32 glue that the portable core calls, recording what reached them.
#include "support/glue_fakes.h"

#include <algorithm>
#include <thread>

#include "base/module_pin.h"
#include "base/thread_traits.h"
#include "host/actions.h"
#include "present/settings_apply.h"
#include "ui/commands.h"

GlueCalls g_glue_calls;

void DebugLine(const char* text) {
    if (text != nullptr) {
        g_glue_calls.debug_lines.emplace_back(text);
    }
}

void ApplyProjectSettings(bool force_reload, bool redraw) {
    g_glue_calls.applies.push_back({force_reload, redraw});
}

void ChooseWallpaperCommand() {
    ++g_glue_calls.choose;
}

void OpenSettingsDialog() {
    ++g_glue_calls.settings_dialog;
}

void OpenAboutDialog() {
    ++g_glue_calls.about;
}

void OnCustomMenu(const char*, void*, int) {}

// Natively the logical processors stand in for cores; threads keep the system's defaults.
int ProcessorCoreCount() {
    return std::max(1, int(std::thread::hardware_concurrency()));
}

int CallingThreadPriority() {
    return 0;
}

void BecomeFrameWorker(int, int) {}

void PinOwnModule() {}
