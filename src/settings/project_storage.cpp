#include "settings/project_storage.h"

#include <memory>

#include "host/host_api.h"
#include "settings/settings_apply.h"
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

constexpr const char* kKeysInOrder[] = {kKeyPath,      kKeyEnabled,    kKeyOpacity,
                                        kKeyMode,      kKeyTintRgb,    kKeyTint,
                                        kKeyGrayscale, kKeyAudioItems, kKeyMidiItems};

// One scratch buffer for every read: values can be up to 128 KiB and reads are frequent.
char* ScratchBuffer() {
    static std::unique_ptr<char[]> buffer;
    if (!buffer) {
        buffer = std::make_unique<char[]>(kExtStateBufferSize); // value-initialised: zero-filled
    }
    return buffer.get();
}

void ReadPermille(ReaProject* project, const char* key, double& field) {
    if (auto value = ParsePermille(ReadExtStateValue(project, key))) {
        field = *value;
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

ProjectSettings ReadProjectSettings(ReaProject* project) {
    ProjectSettings settings;
    if (project == nullptr || g_host.GetProjExtState == nullptr) {
        return settings;
    }
    settings.path = Utf8ToUtf16(ReadExtStateValue(project, kKeyPath));
    if (!settings.path.empty()) {
        settings.enabled = ReadExtStateValue(project, kKeyEnabled) == "1";
    }
    ReadPermille(project, kKeyOpacity, settings.opacity);
    settings.mode = ParseFitMode(ReadExtStateValue(project, kKeyMode));
    ReadPermille(project, kKeyTint, settings.tint);
    if (auto colour = ParseHexColour(ReadExtStateValue(project, kKeyTintRgb))) {
        settings.tint_rgb = *colour;
    }
    settings.grayscale = ReadExtStateValue(project, kKeyGrayscale) == "1";
    ReadPermille(project, kKeyAudioItems, settings.audio_item_transparency);
    ReadPermille(project, kKeyMidiItems, settings.midi_item_transparency);
    return settings;
}

void WriteProjectSettings(ReaProject* project, const ProjectSettings& settings) {
    if (project == nullptr || g_host.SetProjExtState == nullptr) {
        return;
    }
    const std::string values[] = {
        Utf16ToUtf8(settings.path),
        settings.enabled ? "1" : "0",
        FormatPermille(settings.opacity),
        FitModeName(settings.mode),
        FormatHexColour(settings.tint_rgb),
        FormatPermille(settings.tint),
        settings.grayscale ? "1" : "0",
        FormatPermille(settings.audio_item_transparency),
        FormatPermille(settings.midi_item_transparency),
    };
    for (size_t i = 0; i < std::size(kKeysInOrder); ++i) {
        g_host.SetProjExtState(project, kExtStateSection, kKeysInOrder[i], values[i].c_str());
    }
    if (g_host.MarkProjectDirty != nullptr) {
        g_host.MarkProjectDirty(project);
    }
}

void ClearProjectSettings() {
    if (g_host.EnumProjects == nullptr || g_host.SetProjExtState == nullptr) {
        return;
    }
    ReaProject* project = g_host.EnumProjects(-1, nullptr, 0);
    if (project == nullptr) {
        return;
    }
    bool any_stored = false;
    for (const char* key : kKeysInOrder) {
        if (!ReadExtStateValue(project, key).empty()) {
            any_stored = true;
            break;
        }
    }
    if (!any_stored) {
        return;
    }
    // A null key and value removes the whole section.
    g_host.SetProjExtState(project, kExtStateSection, nullptr, nullptr);
    if (g_host.MarkProjectDirty != nullptr) {
        g_host.MarkProjectDirty(project);
    }
    ApplyProjectSettings(true, true);
}
