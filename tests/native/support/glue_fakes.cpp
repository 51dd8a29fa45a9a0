// Stand-ins for the Win32 glue that the portable core calls, recording what reached them.
#include "support/glue_fakes.h"

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
