#include "settings/default_wallpaper.h"

#include "base/debug_line.h"
#include "base/host_api.h"
#include "settings/global_state.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"

namespace {

std::string DefaultKey(const char* key) {
    return std::string("default_") + key;
}

} // namespace

std::optional<ProjectSettings> ReadDefaultWallpaper() {
    if (ReadGlobalValue(DefaultKey(StoredKeyName(kPathKey))).empty()) {
        return std::nullopt;
    }
    ProjectSettings settings =
        DecodeSettings([](const char* key) { return ReadGlobalValue(DefaultKey(key)); });
    if (settings.path.empty()) {
        return std::nullopt; // a path that is no valid UTF-8 is no picture
    }
    return settings;
}

bool StoreDefaultWallpaper(const ProjectSettings& settings) {
    if (settings.path.empty() || g_host.SetExtState == nullptr) {
        return false;
    }
    const SettingsValues values = EncodeSettings(settings);
    // The path last: a default is there only once all its values are.
    for (int i = kStoredKeyCount - 1; i >= 0; --i) {
        WriteGlobalValue(DefaultKey(kStoredKeys[i].name), values[static_cast<size_t>(i)]);
    }
    return true;
}

void ClearDefaultWallpaper() {
    for (const StoredKey& key : kStoredKeys) {
        WriteGlobalValue(DefaultKey(key.name), "");
    }
}

bool IsDefaultWallpaper(const ProjectSettings& settings) {
    std::optional<ProjectSettings> stored = ReadDefaultWallpaper();
    return stored && *stored == settings;
}

ShownSettings ReadShownSettings(ReaProject* project) {
    ShownSettings shown;
    if (project == nullptr) {
        return shown;
    }
    bool any_key = false;
    shown.settings = DecodeSettings([project, &any_key](const char* key) {
        std::string value = ReadExtStateValue(project, key);
        any_key = any_key || !value.empty();
        return value;
    });
    // "enabled" alone (an explicit off) is not read without a path: asked for separately.
    if (any_key || HasOwnSettings(project)) {
        return shown;
    }
    if (std::optional<ProjectSettings> fallback = ReadDefaultWallpaper()) {
        shown.settings = *fallback;
        shown.from_default = true;
    }
    return shown;
}
