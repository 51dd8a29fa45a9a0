#include "projects.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace sim {

namespace {

struct ProjectTab {
    std::string name;
    std::string path;
    std::map<std::string, std::map<std::string, std::string>> ext_state;
    bool dirty = false;
    int ext_state_reads = 0;
};

// unique_ptr keeps each tab's address, which is its handle, stable.
std::vector<std::unique_ptr<ProjectTab>> g_tabs;
int g_current = 0;

ReaProject* Handle(ProjectTab* tab) {
    return reinterpret_cast<ReaProject*>(tab);
}

// A null handle is the current project, as the host treats it; an unknown handle is none.
ProjectTab* Resolve(ReaProject* project) {
    if (project == nullptr) {
        return g_tabs.empty() ? nullptr : g_tabs[static_cast<size_t>(g_current)].get();
    }
    for (const auto& tab : g_tabs) {
        if (Handle(tab.get()) == project) {
            return tab.get();
        }
    }
    return nullptr;
}

} // namespace

void ResetProjects(const std::vector<std::string>& names, int current,
                   const std::vector<std::string>& paths) {
    g_tabs.clear();
    for (const std::string& name : names) {
        g_tabs.push_back(std::make_unique<ProjectTab>());
        g_tabs.back()->name = name;
        if (g_tabs.size() <= paths.size()) {
            g_tabs.back()->path = paths[g_tabs.size() - 1];
        }
    }
    if (g_tabs.empty()) {
        g_tabs.push_back(std::make_unique<ProjectTab>());
        g_tabs.back()->name = "Untitled";
    }
    g_current = current >= 0 && current < ProjectCount() ? current : 0;
}

int ProjectCount() {
    return static_cast<int>(g_tabs.size());
}

ReaProject* ProjectAt(int index) {
    if (index < 0 || index >= ProjectCount()) {
        return nullptr;
    }
    return Handle(g_tabs[static_cast<size_t>(index)].get());
}

ReaProject* CurrentProject() {
    return ProjectAt(g_current);
}

int CurrentProjectIndex() {
    return g_current;
}

void SetCurrentProject(int index) {
    if (index >= 0 && index < ProjectCount()) {
        g_current = index;
    }
}

std::string ProjectName(ReaProject* project) {
    ProjectTab* tab = Resolve(project);
    return tab != nullptr ? tab->name : std::string();
}

std::string ProjectPath(ReaProject* project) {
    ProjectTab* tab = Resolve(project);
    return tab != nullptr ? tab->path : std::string();
}

void SetProjectPath(ReaProject* project, const std::string& path) {
    if (ProjectTab* tab = Resolve(project)) {
        tab->path = path;
    }
}

bool IsProjectDirty(ReaProject* project) {
    ProjectTab* tab = Resolve(project);
    return tab != nullptr && tab->dirty;
}

int ExtStateReadCount(ReaProject* project) {
    ProjectTab* tab = Resolve(project);
    return tab != nullptr ? tab->ext_state_reads : 0;
}

std::optional<std::string> ExtStateValue(ReaProject* project, const std::string& section,
                                         const std::string& key) {
    ProjectTab* tab = Resolve(project);
    if (tab == nullptr) {
        return std::nullopt;
    }
    auto found_section = tab->ext_state.find(section);
    if (found_section == tab->ext_state.end()) {
        return std::nullopt;
    }
    auto found = found_section->second.find(key);
    if (found == found_section->second.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::map<std::string, std::string> ExtStateSection(ReaProject* project,
                                                   const std::string& section) {
    ProjectTab* tab = Resolve(project);
    if (tab == nullptr || tab->ext_state.count(section) == 0) {
        return {};
    }
    return tab->ext_state[section];
}

void PutExtStateValue(ReaProject* project, const std::string& section, const std::string& key,
                      const std::string& value) {
    HostSetProjExtState(project, section.c_str(), key.c_str(), value.c_str());
}

ReaProject* HostEnumProjects(int index, char* name_buffer, int buffer_size) {
    ReaProject* project = index == -1 ? CurrentProject() : ProjectAt(index);
    if (name_buffer != nullptr && buffer_size > 0) {
        std::string name = project != nullptr ? ProjectPath(project) : std::string();
        size_t count = std::min(name.size(), static_cast<size_t>(buffer_size - 1));
        std::memcpy(name_buffer, name.data(), count);
        name_buffer[count] = '\0';
    }
    return project;
}

int HostGetProjExtState(ReaProject* project, const char* section, const char* key, char* buffer,
                        int buffer_size) {
    if (buffer != nullptr && buffer_size > 0) {
        buffer[0] = '\0';
    }
    ProjectTab* tab = Resolve(project);
    if (tab == nullptr) {
        return 0;
    }
    ++tab->ext_state_reads;
    if (section == nullptr || key == nullptr) {
        return 0;
    }
    std::optional<std::string> value = ExtStateValue(project, section, key);
    if (!value) {
        return 0;
    }
    if (buffer != nullptr && buffer_size > 0) {
        size_t count = std::min(value->size(), static_cast<size_t>(buffer_size - 1));
        std::memcpy(buffer, value->data(), count);
        buffer[count] = '\0';
    }
    return static_cast<int>(value->size());
}

int HostSetProjExtState(ReaProject* project, const char* section, const char* key,
                        const char* value) {
    ProjectTab* tab = Resolve(project);
    if (tab == nullptr || section == nullptr || section[0] == '\0') {
        return 0;
    }
    if (key == nullptr) {
        tab->ext_state.erase(section);
        return 1;
    }
    // An empty or missing value deletes the key, so a stored value is never empty.
    if (value == nullptr || value[0] == '\0') {
        auto found = tab->ext_state.find(section);
        if (found != tab->ext_state.end()) {
            found->second.erase(key);
            if (found->second.empty()) {
                tab->ext_state.erase(found);
            }
        }
        return 1;
    }
    tab->ext_state[section][key] = value;
    return 1;
}

void HostMarkProjectDirty(ReaProject* project) {
    if (ProjectTab* tab = Resolve(project)) {
        tab->dirty = true;
    }
}

} // namespace sim
