#include "host/actions.h"

#include <cstdio>
#include <string>
#include <type_traits>

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/host_api.h"
#include "base/host_records.h"
#include "base/translation.h"
#include "base/version.h"
#include "host/project_commands.h"
#include "settings/default_wallpaper.h"
#include "ui/commands.h"

namespace {

// The English names; the records registered carry their translations.
constexpr const char* kActionNames[kCommandCount] = {
    "Murivo: Choose wallpaper...",
    "Murivo: Remove wallpaper",
    "Murivo: Enable / Disable",
    "Murivo: Settings...",
    nullptr, // the About action's name is formatted with the version
    "Murivo: Use current wallpaper for projects without their own",
    "Murivo: Show wallpaper in the MIDI editor",
};
std::string g_action_names[kCommandCount];

CustomActionRecord g_action_records[kCommandCount] = {
    {0, "MURIVOCHOOSE", nullptr, nullptr},     {0, "MURIVOREMOVE", nullptr, nullptr},
    {0, "MURIVOTOGGLE", nullptr, nullptr},     {0, "MURIVOSETTINGS", nullptr, nullptr},
    {0, "MURIVOABOUT", nullptr, nullptr},      {0, "MURIVODEFAULT", nullptr, nullptr},
    {0, "MURIVOMIDIEDITOR", nullptr, nullptr},
};

bool g_hookcommand2_registered = false;
bool g_hookcommand_registered = false;
bool g_toggleaction_registered = false;
bool g_custommenu_registered = false;

static_assert(std::is_same_v<decltype(&OnHookCommand2), HookCommand2Function>);
static_assert(std::is_same_v<decltype(&OnHookCommand), HookCommandFunction>);
static_assert(std::is_same_v<decltype(&QueryToggleState), ToggleActionFunction>);
static_assert(std::is_same_v<decltype(&OnCustomMenu), CustomMenuFunction>);

// The host's language pack is known once the host functions are bound.
void TranslateActionNames() {
    for (int i = 0; i < kCommandCount; ++i) {
        if (kActionNames[i] != nullptr) {
            g_action_names[i] = Translate(kActionNames[i]);
        } else {
            const std::string format = TranslateFormat("Murivo: About %s");
            char name[256] = {};
            std::snprintf(name, sizeof name, format.c_str(), MURIVO_VERSION_TEXT);
            g_action_names[i] = name;
        }
        g_action_records[i].display_name = g_action_names[i].c_str();
    }
}

void* AsPointer(auto function) {
    return reinterpret_cast<void*>(function);
}

} // namespace

bool RegisterActions() {
    auto reg = g_host.plugin_register;
    if (reg == nullptr || g_host.SetProjExtState == nullptr || g_host.GetProjExtState == nullptr ||
        g_host.EnumProjects == nullptr) {
        return false;
    }
    TranslateActionNames();
    for (int i = 0; i < kCommandCount; ++i) {
        g_command_ids[i] = reg("custom_action", &g_action_records[i]);
        if (g_command_ids[i] == 0) {
            return false;
        }
    }
    g_hookcommand2_registered = reg("hookcommand2", AsPointer(&OnHookCommand2)) != 0;
    g_hookcommand_registered = reg("hookcommand", AsPointer(&OnHookCommand)) != 0;
    g_toggleaction_registered = reg("toggleaction", AsPointer(&QueryToggleState)) != 0;
    g_custommenu_registered = reg("hookcustommenu", AsPointer(&OnCustomMenu)) != 0;
    if (g_custommenu_registered && g_host.AddExtensionsMainMenu != nullptr) {
        g_host.AddExtensionsMainMenu();
    }
    if (!g_toggleaction_registered) {
        DebugLine("Toggle action feedback unavailable.\n");
    }
    if (!g_custommenu_registered) {
        DebugLine("Extensions menu hook unavailable; use the Action List.\n");
    }
    return g_hookcommand2_registered || g_hookcommand_registered;
}

void UnregisterActions() {
    auto reg = g_host.plugin_register;
    if (reg == nullptr) {
        return;
    }
    if (g_custommenu_registered) {
        reg("-hookcustommenu", AsPointer(&OnCustomMenu));
    }
    if (g_toggleaction_registered) {
        reg("-toggleaction", AsPointer(&QueryToggleState));
    }
    if (g_hookcommand2_registered) {
        reg("-hookcommand2", AsPointer(&OnHookCommand2));
    }
    if (g_hookcommand_registered) {
        reg("-hookcommand", AsPointer(&OnHookCommand));
    }
    g_custommenu_registered = false;
    g_toggleaction_registered = false;
    g_hookcommand2_registered = false;
    g_hookcommand_registered = false;
    for (int i = 0; i < kCommandCount; ++i) {
        if (g_command_ids[i] != 0) {
            reg("-custom_action", &g_action_records[i]);
            g_command_ids[i] = 0;
        }
    }
}

bool DispatchCommand(int command_id) {
    if (command_id <= 0) {
        return false;
    }
    if (command_id == g_command_ids[kChoose]) {
        ChooseWallpaperCommand();
    } else if (command_id == g_command_ids[kRemove]) {
        ClearProjectSettings();
    } else if (command_id == g_command_ids[kToggle]) {
        ToggleProjectEnabled();
    } else if (command_id == g_command_ids[kSettings]) {
        OpenSettingsDialog();
    } else if (command_id == g_command_ids[kAbout]) {
        OpenAboutDialog();
    } else if (command_id == g_command_ids[kUseAsDefault]) {
        ToggleDefaultWallpaper();
    } else if (command_id == g_command_ids[kMidiEditor]) {
        ToggleMidiEditor();
    } else {
        return false;
    }
    return true;
}

bool OnHookCommand2(void* section, int command_id, int, int, int, void*) {
    // Commands of other sections (MIDI editor, media explorer...) are not ours.
    if (section != nullptr && static_cast<const SectionRecord*>(section)->unique_id != 0) {
        return false;
    }
    return RunGuarded(true, [&] { return DispatchCommand(command_id); });
}

bool OnHookCommand(int command_id, int) {
    return RunGuarded(true, [&] { return DispatchCommand(command_id); });
}

int QueryToggleState(int command_id) {
    if (command_id == 0) {
        return -1;
    }
    if (command_id == g_command_ids[kUseAsDefault]) {
        return RunGuarded(0, [] {
            ReaProject* project = CurrentProject();
            return project != nullptr && IsDefaultWallpaper(ReadShownSettings(project).settings)
                       ? 1
                       : 0;
        });
    }
    bool ProjectSettings::*which = nullptr;
    if (command_id == g_command_ids[kToggle]) {
        which = &ProjectSettings::enabled;
    } else if (command_id == g_command_ids[kMidiEditor]) {
        which = &ProjectSettings::midi_editor;
    } else {
        return -1;
    }
    return RunGuarded(
        0, [which] { return ReadShownSettings(CurrentProject()).settings.*which ? 1 : 0; });
}
