// Reading, writing and clearing a project's settings in its extension state ("Murivo" section).
#pragma once

#include <string>

#include "settings/project_settings.h"

inline constexpr const char* kExtStateSection = "Murivo";
inline constexpr int kExtStateBufferSize = 131072;

// The stored value as UTF-8, cut at 131071 bytes; empty for a null project or unbound host.
std::string ReadExtStateValue(ReaProject* project, const char* key);

// Defaults for a null project; malformed values fall back to their defaults.
ProjectSettings ReadProjectSettings(ReaProject* project);

// Writes all nine keys and marks the project dirty; does not apply them.
void WriteProjectSettings(ReaProject* project, const ProjectSettings& settings);

// Removes the section of the current project when it holds anything, then applies.
void ClearProjectSettings();
