#include "support/fake_host.h"

#include <algorithm>
#include <cstring>

namespace {

FakeHost* g_fake = nullptr;

// As in the host, a null handle stands for the current project.
FakeProject* Project(ReaProject* handle) {
    if (handle == nullptr) {
        return g_fake->current < 0 ? nullptr : &g_fake->projects[g_fake->current];
    }
    for (FakeProject& p : g_fake->projects) {
        if (reinterpret_cast<ReaProject*>(&p) == handle) {
            return &p;
        }
    }
    return nullptr;
}

// -1 is the current project, 0 and up the tabs; the project's file goes to the buffer when one
// is given (cut to its size, empty when there is no such project).
ReaProject* EnumProjects(int index, char* file, int file_size) {
    const int tab = index == -1 ? g_fake->current : index;
    const bool exists = tab >= 0 && tab < 2;
    if (file != nullptr && file_size > 0) {
        const std::string name = exists ? g_fake->projects[tab].file : std::string();
        const size_t n = std::min(name.size(), static_cast<size_t>(file_size - 1));
        std::memcpy(file, name.data(), n);
        file[n] = '\0';
    }
    return exists ? g_fake->Handle(tab) : nullptr;
}

int GetProjExtState(ReaProject* handle, const char* section, const char* key, char* buffer,
                    int size) {
    ++g_fake->ext_state_reads;
    FakeProject* p = Project(handle);
    if (p == nullptr || size <= 0) {
        return 0;
    }
    auto s = p->ext_state.find(section);
    if (s == p->ext_state.end()) {
        return 0;
    }
    auto v = s->second.find(key);
    if (v == s->second.end() || v->second.empty()) {
        return 0;
    }
    size_t n = std::min(v->second.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, v->second.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(v->second.size());
}

int SetProjExtState(ReaProject* handle, const char* section, const char* key, const char* value) {
    ++g_fake->ext_state_writes;
    FakeProject* p = Project(handle);
    if (p == nullptr) {
        return 0;
    }
    if (key == nullptr) {
        p->ext_state.erase(section);
    } else {
        p->ext_state[section][key] = value != nullptr ? value : "";
    }
    return 1;
}

void MarkProjectDirty(ReaProject* handle) {
    if (FakeProject* p = Project(handle)) {
        ++p->dirty_marks;
    }
}

void RefreshToolbar2(int, int command_id) {
    g_fake->toolbar_refreshes.push_back(command_id);
}

int GetThemeColor(const char* key, int) {
    auto it = g_fake->theme.find(key);
    return it == g_fake->theme.end() ? -1 : it->second;
}

int PluginRegister(const char* name, void* info) {
    bool refuse =
        std::find(g_fake->refused.begin(), g_fake->refused.end(), name) != g_fake->refused.end();
    int result = 0;
    if (!refuse) {
        result = std::strcmp(name, "custom_action") == 0 ? g_fake->next_command_id++ : 1;
    }
    g_fake->registrations.push_back({name, info, result});
    return result;
}

const char* GetExtState(const char* section, const char* key) {
    // The host's text lasts until its next call: a caller that keeps the pointer sees another.
    static std::string returned;
    returned.clear();
    auto s = g_fake->global_state.find(section);
    if (s != g_fake->global_state.end()) {
        auto v = s->second.find(key);
        returned = v == s->second.end() ? std::string() : v->second;
    }
    return returned.c_str();
}

bool HasExtState(const char* section, const char* key) {
    auto s = g_fake->global_state.find(section);
    return s != g_fake->global_state.end() && s->second.count(key) != 0;
}

void SetExtState(const char* section, const char* key, const char* value, bool) {
    ++g_fake->global_writes;
    std::string text = value != nullptr ? value : "";
    if (text.empty() || text.find_first_of("\r\n") != std::string::npos) {
        g_fake->global_state[section].erase(key);
    } else {
        g_fake->global_state[section][key] = text;
    }
}

} // namespace

FakeHost::FakeHost() : saved(g_host) {
    g_fake = this;
    g_host = HostApi{};
    g_host.EnumProjects = EnumProjects;
    g_host.GetProjExtState = GetProjExtState;
    g_host.SetProjExtState = SetProjExtState;
    g_host.MarkProjectDirty = MarkProjectDirty;
    g_host.RefreshToolbar2 = RefreshToolbar2;
    g_host.GetThemeColor = GetThemeColor;
    g_host.plugin_register = PluginRegister;
    g_host.GetExtState = GetExtState;
    g_host.HasExtState = HasExtState;
    g_host.SetExtState = SetExtState;
}

FakeHost::~FakeHost() {
    g_host = saved;
    g_fake = nullptr;
}
