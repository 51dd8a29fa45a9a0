// Reading, writing and clearing a project's settings in its extension state ("Murivo" section).
#pragma once

#include <array>
#include <functional>
#include <string>

#include "settings/project_settings.h"
#include "settings/stored_keys.h"

inline constexpr const char* kExtStateSection = "Murivo";
inline constexpr int kExtStateBufferSize = 131072;

using SettingsValues = std::array<std::string, kStoredKeyCount>;
// The record from stored texts (read gives the text of a key, empty when there is none), with
// every rule for malformed values; shared by the project and the host's global state.
ProjectSettings DecodeSettings(const std::function<std::string(const char* key)>& read);
// The texts to store, in key order.
SettingsValues EncodeSettings(const ProjectSettings& settings);

// The stored value as UTF-8, cut at 131071 bytes; empty for a null project or unbound host.
std::string ReadExtStateValue(ReaProject* project, const char* key);

// Defaults for a null project; malformed values fall back to their defaults.
ProjectSettings ReadProjectSettings(ReaProject* project);

// Writes the nine keys, and each later key when it is not at its default or already stored (a
// project that never used one stays as older versions wrote it), and marks the project dirty;
// does not apply them. When the path changes
// (or no relative path is stored yet) the picture's path relative to the project's folder is
// stored too, or removed when it lies elsewhere.
void WriteProjectSettings(ReaProject* project, const ProjectSettings& settings);

// Whether the project's section holds any key of its own (an explicit off included).
bool HasOwnSettings(ReaProject* project);

// The folder of the project's file; empty while it is unsaved or unknown to the host.
std::u16string ProjectFolder(ReaProject* project);

// Removes the project's section when it holds anything and marks the project changed. With
// keep_default_away (a default wallpaper exists) an explicit off is stored instead, so the
// default stays away. True when anything was written.
bool RemoveProjectSettings(ReaProject* project, bool keep_default_away);
