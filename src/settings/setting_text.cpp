#include "settings/setting_text.h"

#include "settings/network_pictures.h"
#include "settings/picture_path.h"
#include "settings/project_storage.h"

std::optional<StoredKeyIndex> FindStoredKey(std::string_view name) {
    for (int i = 0; i < kStoredKeyCount; ++i) {
        if (name == kStoredKeys[i].name) {
            return static_cast<StoredKeyIndex>(i);
        }
    }
    return std::nullopt;
}

std::string StoredText(const ProjectSettings& settings, StoredKeyIndex key) {
    return EncodeSettings(settings)[key];
}

std::optional<ProjectSettings> WithStoredText(const ProjectSettings& settings, StoredKeyIndex key,
                                              std::string_view text) {
    SettingsValues values = EncodeSettings(settings);
    values[key] = std::string(text);
    if (key == kPathKey && text.empty()) {
        values[kEnabledKey] = "0";
    }
    // Through the same decoder a project's texts take, so every rule of reading applies.
    ProjectSettings changed = DecodeSettings([&values](const char* name) {
        std::optional<StoredKeyIndex> found = FindStoredKey(name);
        return found ? values[*found] : std::string();
    });
    if (EncodeSettings(changed)[key] != text) {
        return std::nullopt;
    }
    return changed;
}

const char* PictureRefusal(std::u16string_view path) {
    switch (ClassifyPicturePath(path)) {
    case PathKind::local:
        return nullptr;
    case PathKind::device:
        return "it names a device";
    case PathKind::network:
        break;
    }
    return PictureMayBeOpened(path) ? nullptr : "it lies on another computer not chosen here";
}
