// The default wallpaper: settings kept in the host's global state and shown in every project
// whose section holds no key of its own, without being written into it.
#pragma once

#include <optional>
#include <string>

#include "settings/project_settings.h"

// Nothing when no default is stored (or the host cannot store one); hostile stored texts read
// as the settings' defaults, as in a project.
std::optional<ProjectSettings> ReadDefaultWallpaper();
// False when the settings have no picture or the host cannot store them.
bool StoreDefaultWallpaper(const ProjectSettings& settings);
void ClearDefaultWallpaper();
bool IsDefaultWallpaper(const ProjectSettings& settings);

struct ShownSettings {
    ProjectSettings settings;
    bool from_default = false;
};

// What a project shows: its own settings, or the default while it has none of its own. A project
// with settings of its own costs the nine reads it always did.
ShownSettings ReadShownSettings(ReaProject* project);
