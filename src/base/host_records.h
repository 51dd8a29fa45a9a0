// The records and callbacks the host and the extension hand each other, in the host's 64-bit
// layout: the entry point reads them, the simulator fills them, the tests load through them.
#pragma once

#include <cstddef>

// Windows' own handle types (what <windows.h> calls HWND and HINSTANCE), declared here so that
// portable code can read the records too.
struct HWND__;
struct HINSTANCE__;

// The interface version the host passes in the plug-in information record; any other is refused.
inline constexpr int kHostInterfaceVersion = 526;

// The plug-in information record handed to the entry point at load (null at unload).
struct PluginInfo {
    int caller_version;
    HWND__* hwnd_main;
    int (*Register)(const char* name, void* info);
    void* (*GetFunc)(const char* name);
};
static_assert(offsetof(PluginInfo, hwnd_main) == 8);
static_assert(offsetof(PluginInfo, Register) == 16);
static_assert(offsetof(PluginInfo, GetFunc) == 24);

using PluginEntryFunction = int (*)(HINSTANCE__* instance, const PluginInfo* info);

// A custom action registered under "custom_action"; the host keeps its address for the life
// of the module.
struct CustomActionRecord {
    int section_id;
    const char* id_string;
    const char* display_name;
    void* reserved;
};
static_assert(offsetof(CustomActionRecord, id_string) == 8);
static_assert(offsetof(CustomActionRecord, display_name) == 16);
static_assert(sizeof(CustomActionRecord) == 32);

// The section a "hookcommand2" callback is called for; only its leading id is read.
struct SectionRecord {
    int unique_id;
    const char* name;
};
static_assert(offsetof(SectionRecord, unique_id) == 0);

// The callbacks registered with plugin_register, by registration name.
using HookCommand2Function = bool (*)(void* section, int command_id, int value, int value_high,
                                      int relative_mode, void* window); // "hookcommand2"
using HookCommandFunction = bool (*)(int command_id, int flag);         // "hookcommand"
using ToggleActionFunction = int (*)(int command_id);                   // "toggleaction"
using CustomMenuFunction = void (*)(const char* menu_name, void* menu,
                                    int flag); // "hookcustommenu"
using TimerFunction = void (*)();              // "timer"
// How script bridges call a function offered under "APIvararg_<name>": one pointer-sized slot
// per argument (integers and booleans through intptr_t), an integer result the same way.
using ScriptVarargFunction = void* (*)(void** arguments, int count);

// The module's one export, as the host calls it.
extern "C" int ReaperPluginEntry(HINSTANCE__* instance, const PluginInfo* info);
