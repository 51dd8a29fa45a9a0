#include "host/project_commands.h"

#include "base/debug_line.h"
#include "base/host_api.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/project_storage.h"

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
