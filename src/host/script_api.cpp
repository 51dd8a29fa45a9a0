#include "host/script_api.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "base/callback_guard.h"
#include "base/command_ids.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "base/host_records.h"
#include "base/version.h"
#include "present/settings_apply.h"
#include "settings/default_wallpaper.h"
#include "settings/picture_path.h"
#include "settings/project_storage.h"
#include "settings/setting_text.h"
#include "settings/settings_codec.h"

namespace {

// A longer value would not read back whole from the project.
constexpr size_t kMaxValueBytes = kExtStateBufferSize - 1;
// No value comes near it: a larger size is a garbage argument, not a buffer.
constexpr int kMaxOutputBytes = 64 * 1024 * 1024;
// The host's project list is short; a longer walk means it never ends.
constexpr int kMaxProjectTabs = 4096;

bool KnownProject(ReaProject* project) {
    if (g_host.ValidatePtr2 != nullptr) {
        return g_host.ValidatePtr2(nullptr, project, "ReaProject*");
    }
    if (g_host.EnumProjects == nullptr) {
        return false;
    }
    for (int index = 0; index < kMaxProjectTabs; ++index) {
        ReaProject* found = g_host.EnumProjects(index, nullptr, 0);
        if (found == nullptr) {
            break;
        }
        if (found == project) {
            return true;
        }
    }
    return false;
}

// The project a script means (null: the current one); null with its line when there is none
// or the host does not know the pointer (a closed tab, a stale or made-up value).
ReaProject* ScriptProject(const char* function, ReaProject* project) {
    if (project == nullptr) {
        project = CurrentProject();
        if (project == nullptr) {
            DebugLinef("%s: no current project.", function);
        }
        return project;
    }
    if (!KnownProject(project)) {
        DebugLinef("%s: not a project the host knows.", function);
        return nullptr;
    }
    return project;
}

// A text argument; nothing (with its line) when it is null, too long to be stored, or holds a
// control character (no setting has one, and a line break would not survive the project file).
std::optional<std::string_view> ScriptText(const char* function, const char* what,
                                           const char* text) {
    if (text == nullptr) {
        DebugLinef("%s: no %s given.", function, what);
        return std::nullopt;
    }
    const size_t length = strnlen(text, kMaxValueBytes + 1);
    if (length > kMaxValueBytes) {
        DebugLinef("%s: the %s is longer than %d bytes.", function, what,
                   static_cast<int>(kMaxValueBytes));
        return std::nullopt;
    }
    std::string_view view(text, length);
    for (char c : view) {
        if (static_cast<unsigned char>(c) < 0x20) {
            DebugLinef("%s: the %s holds a control character.", function, what);
            return std::nullopt;
        }
    }
    return view;
}

std::optional<StoredKeyIndex> ScriptKey(const char* function, const char* key) {
    std::optional<std::string_view> name = ScriptText(function, "key", key);
    if (!name) {
        return std::nullopt;
    }
    std::optional<StoredKeyIndex> index = FindStoredKey(*name);
    if (!index) {
        DebugLinef("%s: unknown key \"%.64s\".", function, key);
    }
    return index;
}

bool PictureAllowed(const char* function, std::u16string_view path) {
    const char* refusal = PictureRefusal(path);
    if (refusal != nullptr) {
        DebugLinef("%s: picture refused: %s.", function, refusal);
    }
    return refusal == nullptr;
}

// --- what script bridges call: one slot per argument, integers through intptr_t ---

void* SlotFromBool(bool value) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(value ? 1 : 0));
}

// Sizes beyond int stay out of range instead of wrapping into a plausible one.
int IntFromSlot(void* slot) {
    const intptr_t value = reinterpret_cast<intptr_t>(slot);
    return value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : static_cast<int>(value));
}

bool EnoughSlots(const char* function, void** arguments, int count, int wanted) {
    if (arguments == nullptr || count < wanted) {
        DebugLinef("%s: %d arguments given, %d wanted.", function, arguments ? count : 0, wanted);
        return false;
    }
    return true;
}

void* GetSettingVararg(void** arguments, int count) {
    return RunGuarded(SlotFromBool(false), [&] {
        if (!EnoughSlots("Murivo_GetSetting", arguments, count, 4)) {
            return SlotFromBool(false);
        }
        return SlotFromBool(ScriptGetSetting(
            static_cast<ReaProject*>(arguments[0]), static_cast<const char*>(arguments[1]),
            static_cast<char*>(arguments[2]), IntFromSlot(arguments[3])));
    });
}

void* SetSettingVararg(void** arguments, int count) {
    return RunGuarded(SlotFromBool(false), [&] {
        if (!EnoughSlots("Murivo_SetSetting", arguments, count, 3)) {
            return SlotFromBool(false);
        }
        return SlotFromBool(ScriptSetSetting(static_cast<ReaProject*>(arguments[0]),
                                             static_cast<const char*>(arguments[1]),
                                             static_cast<const char*>(arguments[2])));
    });
}

void* ChoosePictureVararg(void** arguments, int count) {
    return RunGuarded(SlotFromBool(false), [&] {
        if (!EnoughSlots("Murivo_ChoosePicture", arguments, count, 2)) {
            return SlotFromBool(false);
        }
        return SlotFromBool(ScriptChoosePicture(static_cast<ReaProject*>(arguments[0]),
                                                static_cast<const char*>(arguments[1])));
    });
}

void* GetVersionVararg(void**, int) {
    return const_cast<char*>(ScriptGetVersion());
}

// Return type, argument types, argument names and help, separated by NUL: the bridges read the
// names ("...Out" with "..._sz" is a buffer they provide).
constexpr char kGetSettingDefinition[] =
    "bool\0ReaProject*,const char*,char*,int\0project,key,valueOut,valueOut_sz\0"
    "Copies the text the project shows for a Murivo setting (path, enabled, opacity_permille, "
    "mode, tint_rgb, tint_permille, grayscale, audio_item_transparency_permille, "
    "midi_item_transparency_permille, anchor, blur_permille, time_selection_permille, "
    "midi_editor) into valueOut, its default when the project has none. project 0: the current "
    "project. False for an unknown key or project, or a value that does not fit (valueOut is "
    "then empty).";
constexpr char kSetSettingDefinition[] =
    "bool\0ReaProject*,const char*,const char*\0project,key,value\0"
    "Stores a Murivo setting in the project (marked changed) and shows it at once when it is "
    "the current project. The value must be in the stored form (opacity_permille \"500\", "
    "tint_rgb \"60A0FF\", mode \"contain\"); anything else is refused, as is a picture on "
    "another computer the user did not choose on this one. project 0: the current project.";
constexpr char kChoosePictureDefinition[] =
    "bool\0ReaProject*,const char*\0project,path\0"
    "Makes the picture at the full path the project's wallpaper and switches it on, as the "
    "Choose wallpaper action does. A picture that cannot be loaded switches the wallpaper off "
    "again with a warning. project 0: the current project.";
constexpr char kGetVersionDefinition[] = "const char*\0\0\0Murivo's version, such as \"1.0.1\".";

struct ScriptFunction {
    const char* name;
    void* function;
    const char* definition;
    ScriptVarargFunction vararg;
};

const ScriptFunction kScriptFunctions[] = {
    {"Murivo_GetSetting", reinterpret_cast<void*>(&ScriptGetSetting), kGetSettingDefinition,
     &GetSettingVararg},
    {"Murivo_SetSetting", reinterpret_cast<void*>(&ScriptSetSetting), kSetSettingDefinition,
     &SetSettingVararg},
    {"Murivo_ChoosePicture", reinterpret_cast<void*>(&ScriptChoosePicture),
     kChoosePictureDefinition, &ChoosePictureVararg},
    {"Murivo_GetVersion", reinterpret_cast<void*>(&ScriptGetVersion), kGetVersionDefinition,
     &GetVersionVararg},
};
constexpr int kScriptFunctionCount = sizeof kScriptFunctions / sizeof kScriptFunctions[0];
constexpr int kRegistrationKinds = 3;
constexpr const char* kRegistrationPrefixes[kRegistrationKinds] = {"API_", "APIdef_", "APIvararg_"};

// Which registrations succeeded, so that only those are undone.
bool g_registered[kScriptFunctionCount][kRegistrationKinds] = {};

void* RegistrationPointer(const ScriptFunction& function, int kind) {
    switch (kind) {
    case 0:
        return function.function;
    case 1:
        return const_cast<char*>(function.definition);
    default:
        return reinterpret_cast<void*>(function.vararg);
    }
}

// "APIdef_Murivo_GetSetting", with the leading "-" that undoes it.
std::string RegistrationName(bool undo, int kind, const char* function) {
    std::string name = undo ? "-" : "";
    name += kRegistrationPrefixes[kind];
    name += function;
    return name;
}

} // namespace

void RegisterScriptFunctions() {
    if (g_host.plugin_register == nullptr) {
        return;
    }
    for (int i = 0; i < kScriptFunctionCount; ++i) {
        const ScriptFunction& function = kScriptFunctions[i];
        bool complete = true;
        for (int kind = 0; kind < kRegistrationKinds; ++kind) {
            std::string name = RegistrationName(false, kind, function.name);
            g_registered[i][kind] =
                g_host.plugin_register(name.c_str(), RegistrationPointer(function, kind)) != 0;
            complete = complete && g_registered[i][kind];
        }
        if (!complete) {
            DebugLinef("Unable to offer %s to scripts.", function.name);
        }
    }
}

void UnregisterScriptFunctions() {
    for (int i = 0; i < kScriptFunctionCount; ++i) {
        for (int kind = 0; kind < kRegistrationKinds; ++kind) {
            if (g_registered[i][kind] && g_host.plugin_register != nullptr) {
                std::string name = RegistrationName(true, kind, kScriptFunctions[i].name);
                g_host.plugin_register(name.c_str(),
                                       RegistrationPointer(kScriptFunctions[i], kind));
            }
            g_registered[i][kind] = false;
        }
    }
}

bool ScriptGetSetting(ReaProject* project, const char* key, char* value_out, int value_out_size) {
    return RunGuarded(false, [&] {
        constexpr const char* kName = "Murivo_GetSetting";
        // Whatever happens, a buffer the caller can read holds a terminated text.
        if (value_out != nullptr && value_out_size > 0) {
            value_out[0] = '\0';
        }
        if (value_out == nullptr || value_out_size <= 0 || value_out_size > kMaxOutputBytes) {
            DebugLinef("%s: no usable valueOut buffer (size %d).", kName, value_out_size);
            return false;
        }
        std::optional<StoredKeyIndex> index = ScriptKey(kName, key);
        if (!index || (project = ScriptProject(kName, project)) == nullptr) {
            return false;
        }
        const std::string text = StoredText(ReadShownSettings(project).settings, *index);
        if (text.size() >= static_cast<size_t>(value_out_size)) {
            DebugLinef("%s: %s needs %d bytes, valueOut holds %d.", kName, key,
                       static_cast<int>(text.size() + 1), value_out_size);
            return false;
        }
        std::memcpy(value_out, text.c_str(), text.size() + 1);
        return true;
    });
}

bool ScriptSetSetting(ReaProject* project, const char* key, const char* value) {
    return RunGuarded(false, [&] {
        constexpr const char* kName = "Murivo_SetSetting";
        std::optional<StoredKeyIndex> index = ScriptKey(kName, key);
        std::optional<std::string_view> text =
            index ? ScriptText(kName, "value", value) : std::nullopt;
        if (!text || (project = ScriptProject(kName, project)) == nullptr) {
            return false;
        }
        // A project showing the default takes it as its own with the one change, as from the
        // settings dialog.
        const ProjectSettings shown = ReadShownSettings(project).settings;
        std::optional<ProjectSettings> changed = WithStoredText(shown, *index, *text);
        if (!changed) {
            DebugLinef("%s: \"%.64s\" is no stored value of %s.", kName, value, key);
            return false;
        }
        // A script is not the user choosing a picture here: it may only name what the user
        // already chose.
        if (*index == kPathKey && !changed->path.empty() && changed->path != shown.path &&
            !PictureAllowed(kName, changed->path)) {
            return false;
        }
        if (*changed == shown) {
            return true;
        }
        WriteProjectSettings(project, *changed);
        if (project == CurrentProject()) {
            ApplyProjectSettings(false, true);
            RefreshToolbarButton(kMidiEditor);
        }
        return true;
    });
}

bool ScriptChoosePicture(ReaProject* project, const char* path) {
    return RunGuarded(false, [&] {
        constexpr const char* kName = "Murivo_ChoosePicture";
        std::optional<std::string_view> text = ScriptText(kName, "path", path);
        if (!text || (project = ScriptProject(kName, project)) == nullptr) {
            return false;
        }
        const std::u16string picture = Utf8ToUtf16(*text);
        // What the file chooser would hand over: a whole path to one file.
        if (picture.empty() || !IsAbsolutePicturePath(picture)) {
            DebugLinef("%s: \"%.64s\" is no full path.", kName, path);
            return false;
        }
        if (!PictureAllowed(kName, picture)) {
            return false;
        }
        ProjectSettings settings = ReadShownSettings(project).settings;
        settings.path = picture;
        settings.enabled = true;
        WriteProjectSettings(project, settings);
        if (project == CurrentProject()) {
            ApplyProjectSettings(true, true);
            // Loaded in the background: a failure is told when the load has finished.
            WatchChosenPicture();
        }
        return true;
    });
}

const char* ScriptGetVersion() {
    return MURIVO_VERSION_TEXT;
}
