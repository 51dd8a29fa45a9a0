#include "settings/project_storage.h"

#include <memory>

#include "base/host_api.h"
#include "settings/picture_path.h"
#include "settings/settings_codec.h"

namespace {

// Project file names are paths; the host writes at most this many bytes of one.
constexpr int kProjectFileBufferSize = 4096;
// The host's project list is short; a longer walk means it never ends.
constexpr int kMaxProjectTabs = 4096;

// One scratch buffer for every read: values can be up to 128 KiB and reads are frequent.
char* ScratchBuffer() {
    static std::unique_ptr<char[]> buffer;
    if (!buffer) {
        buffer = std::make_unique<char[]>(kExtStateBufferSize); // value-initialised: zero-filled
    }
    return buffer.get();
}

void ReadPermille(const std::string& text, double& field) {
    if (auto value = ParsePermille(text)) {
        field = *value;
    }
}

void MarkDirty(ReaProject* project) {
    if (g_host.MarkProjectDirty != nullptr) {
        g_host.MarkProjectDirty(project);
    }
}

// The relative path to store with a newly written path: kept while the path stays the same,
// made afresh (or removed) when it changes.
void WriteRelativePath(ReaProject* project, const std::u16string& path) {
    std::string stored_relative = ReadExtStateValue(project, kRelativePathKey);
    if (!stored_relative.empty() &&
        Utf8ToUtf16(ReadExtStateValue(project, StoredKeyName(kPathKey))) == path) {
        return;
    }
    std::optional<std::u16string> relative = RelativeToFolder(ProjectFolder(project), path);
    std::string value = relative ? Utf16ToUtf8(*relative) : std::string();
    if (value != stored_relative) {
        g_host.SetProjExtState(project, kExtStateSection, kRelativePathKey, value.c_str());
    }
}

} // namespace

std::string ReadExtStateValue(ReaProject* project, const char* key) {
    if (project == nullptr || g_host.GetProjExtState == nullptr) {
        return {};
    }
    char* buffer = ScratchBuffer();
    buffer[0] = '\0';
    int result =
        g_host.GetProjExtState(project, kExtStateSection, key, buffer, kExtStateBufferSize);
    buffer[kExtStateBufferSize - 1] = '\0';
    if (result == 0) {
        return {};
    }
    return std::string(buffer);
}

ProjectSettings DecodeSettings(const std::function<std::string(const char* key)>& read) {
    ProjectSettings settings;
    settings.path = Utf8ToUtf16(read(StoredKeyName(kPathKey)));
    if (!settings.path.empty()) {
        settings.enabled = read(StoredKeyName(kEnabledKey)) == "1";
    }
    ReadPermille(read(StoredKeyName(kOpacityKey)), settings.opacity);
    settings.mode = ParseFitMode(read(StoredKeyName(kModeKey)));
    ReadPermille(read(StoredKeyName(kTintKey)), settings.tint);
    if (auto colour = ParseHexColour(read(StoredKeyName(kTintRgbKey)))) {
        settings.tint_rgb = *colour;
    }
    settings.grayscale = read(StoredKeyName(kGrayscaleKey)) == "1";
    ReadPermille(read(StoredKeyName(kAudioItemsKey)), settings.audio_item_transparency);
    ReadPermille(read(StoredKeyName(kMidiItemsKey)), settings.midi_item_transparency);
    settings.anchor = ParseAnchor(read(StoredKeyName(kAnchorKey)));
    ReadPermille(read(StoredKeyName(kBlurKey)), settings.blur);
    ReadPermille(read(StoredKeyName(kTimeSelectionKey)), settings.time_selection);
    settings.midi_editor = read(StoredKeyName(kMidiEditorKey)) == "1";
    return settings;
}

SettingsValues EncodeSettings(const ProjectSettings& settings) {
    return {
        Utf16ToUtf8(settings.path),
        settings.enabled ? "1" : "0",
        FormatPermille(settings.opacity),
        FitModeName(settings.mode),
        FormatHexColour(settings.tint_rgb),
        FormatPermille(settings.tint),
        settings.grayscale ? "1" : "0",
        FormatPermille(settings.audio_item_transparency),
        FormatPermille(settings.midi_item_transparency),
        AnchorName(settings.anchor),
        FormatPermille(settings.blur),
        FormatPermille(settings.time_selection),
        settings.midi_editor ? "1" : "0",
    };
}

ProjectSettings ReadProjectSettings(ReaProject* project) {
    if (project == nullptr || g_host.GetProjExtState == nullptr) {
        return {};
    }
    return DecodeSettings([project](const char* key) { return ReadExtStateValue(project, key); });
}

void WriteProjectSettings(ReaProject* project, const ProjectSettings& settings) {
    if (project == nullptr || g_host.SetProjExtState == nullptr) {
        return;
    }
    WriteRelativePath(project, settings.path);
    const SettingsValues values = EncodeSettings(settings);
    static const SettingsValues kDefaults = EncodeSettings(ProjectSettings{});
    for (int i = 0; i < kStoredKeyCount; ++i) {
        const StoredKey& key = kStoredKeys[i];
        if (!key.always_written && values[i] == kDefaults[i] &&
            ReadExtStateValue(project, key.name).empty()) {
            continue;
        }
        g_host.SetProjExtState(project, kExtStateSection, key.name, values[i].c_str());
    }
    MarkDirty(project);
}

bool HasOwnSettings(ReaProject* project) {
    for (const StoredKey& key : kStoredKeys) {
        if (!ReadExtStateValue(project, key.name).empty()) {
            return true;
        }
    }
    return !ReadExtStateValue(project, kRelativePathKey).empty();
}

std::u16string ProjectFolder(ReaProject* project) {
    if (project == nullptr || g_host.EnumProjects == nullptr) {
        return {};
    }
    char file[kProjectFileBufferSize];
    for (int index = -1; index < kMaxProjectTabs; ++index) {
        file[0] = '\0';
        ReaProject* found = g_host.EnumProjects(index, file, kProjectFileBufferSize);
        file[kProjectFileBufferSize - 1] = '\0';
        if (found == project) {
            return FolderOf(Utf8ToUtf16(file));
        }
        if (found == nullptr && index >= 0) {
            break;
        }
    }
    return {};
}

bool RemoveProjectSettings(ReaProject* project, bool keep_default_away) {
    if (project == nullptr || g_host.SetProjExtState == nullptr) {
        return false;
    }
    const bool own = HasOwnSettings(project);
    if (!own && !keep_default_away) {
        return false;
    }
    if (own && keep_default_away && ReadProjectSettings(project) == ProjectSettings{} &&
        ReadExtStateValue(project, StoredKeyName(kEnabledKey)) == "0") {
        return false; // already off on its own
    }
    if (own) {
        // A null key and value removes the whole section.
        g_host.SetProjExtState(project, kExtStateSection, nullptr, nullptr);
    }
    if (keep_default_away) {
        g_host.SetProjExtState(project, kExtStateSection, StoredKeyName(kEnabledKey), "0");
    }
    MarkDirty(project);
    return true;
}
