// The host's plugin_register: a log of every call, refusals on request, command ids for custom
// actions, and the registered timers, command hooks, toggle callbacks and menu hooks.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct Registration {
    std::string name; // as passed, "-" prefix included for unregistrations
    void* pointer;
    int result;
};

inline constexpr int kFirstCommandId = 40000;

void ResetRegistrations();

// Refuses registrations under name: every one (occurrence 0) or only the n-th (1-based).
void RefuseRegistration(const std::string& name, int occurrence = 0);

const std::vector<Registration>& RegistrationLog();
std::vector<Registration> RegistrationLogFor(const std::string& name); // name or "-" + name

// Registrations that succeeded and have not been undone.
int ActiveRegistrationCount();
int ActiveRegistrationCount(const std::string& name);

// The pointer of the first active registration under name ("APIvararg_Murivo_GetSetting");
// null when there is none.
void* ActiveRegistration(const std::string& name);

// The command id of a registered custom action by its id string; 0 when not registered.
int CommandIdFor(const std::string& action_id);

// Calls every registered timer callback once, as the host's timer does.
void TickTimers();

// Runs a command through the hooks the way the host does: "hookcommand2" callbacks first
// (main section), then "hookcommand", stopping at the first that reports it handled.
bool DispatchCommand(int command_id);

// The first toggle callback's answer that is not -1; -1 when none knows the command.
int QueryToggleState(int command_id);

// Calls every "hookcustommenu" callback.
void CallMenuHooks(const char* menu_name, void* menu, int flag);

// The host's side of the extension API.
int HostPluginRegister(const char* name, void* info);

} // namespace sim
