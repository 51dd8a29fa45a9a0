#include "registrations.h"

#include <cstring>
#include <map>

#include "base/host_records.h"
#include "ui_stall.h"

namespace sim {

namespace {

struct Refusal {
    std::string name;
    int occurrence;
};

std::vector<Registration> g_log;
std::vector<Refusal> g_refusals;
std::map<std::string, int> g_attempts; // registrations attempted per name
// Active registrations by name, in registration order.
std::map<std::string, std::vector<void*>> g_active;
// Command ids stay with their id string, as the host keeps them for the session.
std::map<std::string, int> g_command_ids;
std::map<void*, int> g_action_commands; // active action record -> command id
int g_next_command_id = kFirstCommandId;

bool Refused(const std::string& name, int attempt) {
    for (const Refusal& refusal : g_refusals) {
        if (refusal.name == name && (refusal.occurrence == 0 || refusal.occurrence == attempt)) {
            return true;
        }
    }
    return false;
}

int Register(const std::string& name, void* info) {
    int attempt = ++g_attempts[name];
    if (info == nullptr || Refused(name, attempt)) {
        return 0;
    }
    if (name == "custom_action") {
        const auto* record = static_cast<const CustomActionRecord*>(info);
        if (record->id_string == nullptr || record->id_string[0] == '\0') {
            return 0;
        }
        int& id = g_command_ids[record->id_string];
        if (id == 0) {
            id = g_next_command_id++;
        }
        g_action_commands[info] = id;
        g_active[name].push_back(info);
        return id;
    }
    // Functions offered to scripts: the C function, its definition and its vararg wrapper.
    for (const char* prefix : {"API_", "APIdef_", "APIvararg_"}) {
        if (name.size() > std::strlen(prefix) &&
            name.compare(0, std::strlen(prefix), prefix) == 0) {
            g_active[name].push_back(info);
            return 1;
        }
    }
    static const char* const kKnown[] = {"timer", "hookcommand2", "hookcommand", "toggleaction",
                                         "hookcustommenu"};
    for (const char* known : kKnown) {
        if (name == known) {
            g_active[name].push_back(info);
            return 1;
        }
    }
    return 0;
}

int Unregister(const std::string& name, void* info) {
    std::vector<void*>& active = g_active[name];
    for (auto it = active.begin(); it != active.end(); ++it) {
        if (*it == info) {
            active.erase(it);
            if (name == "custom_action") {
                g_action_commands.erase(info);
            }
            return 1;
        }
    }
    return 0;
}

template <typename Function> std::vector<Function> Callbacks(const std::string& name) {
    std::vector<Function> callbacks;
    for (void* pointer : g_active[name]) {
        callbacks.push_back(reinterpret_cast<Function>(pointer));
    }
    return callbacks;
}

} // namespace

void ResetRegistrations() {
    g_log.clear();
    g_refusals.clear();
    g_attempts.clear();
    g_active.clear();
    g_command_ids.clear();
    g_action_commands.clear();
    g_next_command_id = kFirstCommandId;
}

void RefuseRegistration(const std::string& name, int occurrence) {
    g_refusals.push_back({name, occurrence});
}

const std::vector<Registration>& RegistrationLog() {
    return g_log;
}

std::vector<Registration> RegistrationLogFor(const std::string& name) {
    std::vector<Registration> entries;
    for (const Registration& entry : g_log) {
        if (entry.name == name || entry.name == "-" + name) {
            entries.push_back(entry);
        }
    }
    return entries;
}

int ActiveRegistrationCount() {
    int count = 0;
    for (const auto& [name, pointers] : g_active) {
        count += static_cast<int>(pointers.size());
    }
    return count;
}

int ActiveRegistrationCount(const std::string& name) {
    auto found = g_active.find(name);
    return found != g_active.end() ? static_cast<int>(found->second.size()) : 0;
}

void* ActiveRegistration(const std::string& name) {
    auto found = g_active.find(name);
    return found != g_active.end() && !found->second.empty() ? found->second.front() : nullptr;
}

int CommandIdFor(const std::string& action_id) {
    for (const auto& [record, id] : g_action_commands) {
        const auto* action = static_cast<const CustomActionRecord*>(record);
        if (action_id == action->id_string) {
            return id;
        }
    }
    return 0;
}

void TickTimers() {
    if (ActiveRegistrationCount("timer") == 0) {
        return; // no call into the extension, nothing to time
    }
    ExtensionCallTiming timing("timer");
    // A copy: a callback may unregister itself or others while we walk the list.
    for (TimerFunction timer : Callbacks<TimerFunction>("timer")) {
        timer();
    }
}

bool DispatchCommand(int command_id) {
    if (ActiveRegistrationCount("hookcommand2") + ActiveRegistrationCount("hookcommand") == 0) {
        return false;
    }
    ExtensionCallTiming timing("command", command_id);
    SectionRecord main_section = {0, "Main"};
    for (HookCommand2Function hook : Callbacks<HookCommand2Function>("hookcommand2")) {
        if (hook(&main_section, command_id, 0, 0, 0, nullptr)) {
            return true;
        }
    }
    for (HookCommandFunction hook : Callbacks<HookCommandFunction>("hookcommand")) {
        if (hook(command_id, 0)) {
            return true;
        }
    }
    return false;
}

int QueryToggleState(int command_id) {
    if (ActiveRegistrationCount("toggleaction") == 0) {
        return -1;
    }
    ExtensionCallTiming timing("toggle", command_id);
    for (ToggleActionFunction toggle : Callbacks<ToggleActionFunction>("toggleaction")) {
        int state = toggle(command_id);
        if (state != -1) {
            return state;
        }
    }
    return -1;
}

void CallMenuHooks(const char* menu_name, void* menu, int flag) {
    if (ActiveRegistrationCount("hookcustommenu") == 0) {
        return;
    }
    ExtensionCallTiming timing("menu", -1, menu_name);
    for (CustomMenuFunction hook : Callbacks<CustomMenuFunction>("hookcustommenu")) {
        hook(menu_name, menu, flag);
    }
}

int HostPluginRegister(const char* name, void* info) {
    std::string text = name != nullptr ? name : "";
    int result =
        !text.empty() && text[0] == '-' ? Unregister(text.substr(1), info) : Register(text, info);
    g_log.push_back({text, info, result});
    return result;
}

} // namespace sim
