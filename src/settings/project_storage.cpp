#include "settings/project_storage.h"

#include <memory>

#include "base/host_api.h"
#include "settings/picture_path.h"
#include "settings/settings_codec.h"

namespace {

constexpr const char* kKeyPath = "path";
constexpr const char* kKeyEnabled = "enabled";
constexpr const char* kKeyOpacity = "opacity_permille";
constexpr const char* kKeyMode = "mode";
constexpr const char* kKeyTintRgb = "tint_rgb";
constexpr const char* kKeyTint = "tint_permille";
constexpr const char* kKeyGrayscale = "grayscale";
constexpr const char* kKeyAudioItems = "audio_item_transparency_permille";
constexpr const char* kKeyMidiItems = "midi_item_transparency_permille";
constexpr const char* kKeyAnchor = "anchor";
constexpr const char* kKeyBlur = "blur_permille";
constexpr const char* kKeyTimeSelection = "time_selection_permille";

} // namespace

const char* const kSettingsKeys[kSettingsKeyCount] = {
    kKeyPath,      kKeyEnabled,    kKeyOpacity,   kKeyMode,   kKeyTintRgb, kKeyTint,
    kKeyGrayscale, kKeyAudioItems, kKeyMidiItems, kKeyAnchor, kKeyBlur,    kKeyTimeSelection};

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
    if (!stored_relative.empty() && Utf8ToUtf16(ReadExtStateValue(project, kKeyPath)) == path) {
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
    settings.path = Utf8ToUtf16(read(kKeyPath));
    if (!settings.path.empty()) {
        settings.enabled = read(kKeyEnabled) == "1";
    }
    ReadPermille(read(kKeyOpacity), settings.opacity);
    settings.mode = ParseFitMode(read(kKeyMode));
    ReadPermille(read(kKeyTint), settings.tint);
    if (auto colour = ParseHexColour(read(kKeyTintRgb))) {
        settings.tint_rgb = *colour;
    }
    settings.grayscale = read(kKeyGrayscale) == "1";
    ReadPermille(read(kKeyAudioItems), settings.audio_item_transparency);
    ReadPermille(read(kKeyMidiItems), settings.midi_item_transparency);
    settings.anchor = ParseAnchor(read(kKeyAnchor));
    ReadPermille(read(kKeyBlur), settings.blur);
    ReadPermille(read(kKeyTimeSelection), settings.time_selection);
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
    for (int i = 0; i < kSettingsKeyCount; ++i) {
        if (i >= kAlwaysWrittenKeyCount && values[i] == kDefaults[i] &&
            ReadExtStateValue(project, kSettingsKeys[i]).empty()) {
            continue;
        }
        g_host.SetProjExtState(project, kExtStateSection, kSettingsKeys[i], values[i].c_str());
    }
    MarkDirty(project);
}

bool HasOwnSettings(ReaProject* project) {
    for (const char* key : kSettingsKeys) {
        if (!ReadExtStateValue(project, key).empty()) {
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
        ReadExtStateValue(project, "enabled") == "0") {
        return false; // already off on its own
    }
    if (own) {
        // A null key and value removes the whole section.
        g_host.SetProjExtState(project, kExtStateSection, nullptr, nullptr);
    }
    if (keep_default_away) {
        g_host.SetProjExtState(project, kExtStateSection, kKeyEnabled, "0");
    }
    MarkDirty(project);
    return true;
}
