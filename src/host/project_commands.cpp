#include "host/project_commands.h"

#include "base/command_ids.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/project_storage.h"

namespace {

// Flips one switch of the current project, stores and applies it. A project showing the default
// takes it as its own when switched.
void FlipSwitch(bool ProjectSettings::*which, bool force_reload) {
    ReaProject* project = CurrentProject();
    if (project == nullptr) {
        return;
    }
    ProjectSettings settings = ReadShownSettings(project).settings;
    // Without a picture there is nothing to show, so nothing to switch.
    if (settings.path.empty()) {
        return;
    }
    settings.*which = !(settings.*which);
    WriteProjectSettings(project, settings);
    ApplyProjectSettings(force_reload, true);
}

} // namespace

void ClearProjectSettings() {
    if (g_host.SetProjExtState == nullptr) {
        return;
    }
    ReaProject* project = CurrentProject();
    if (project == nullptr) {
        return;
    }
    if (RemoveProjectSettings(project, ReadDefaultWallpaper().has_value())) {
        ApplyProjectSettings(true, true);
    }
}

void ToggleDefaultWallpaper() {
    ReaProject* project = CurrentProject();
    if (project == nullptr) {
        return;
    }
    ProjectSettings shown = ReadShownSettings(project).settings;
    if (IsDefaultWallpaper(shown)) {
        ClearDefaultWallpaper();
    } else if (!StoreDefaultWallpaper(shown)) {
        DebugLine("No wallpaper to use for projects without their own.\n");
        return;
    }
    ApplyProjectSettings(false, true);
}

void ToggleProjectEnabled() {
    FlipSwitch(&ProjectSettings::enabled, true);
}

void ToggleMidiEditor() {
    // The picture stays as it is; only where it shows changes.
    FlipSwitch(&ProjectSettings::midi_editor, false);
    RefreshToolbarButton(kMidiEditor);
}
