// An in-memory host for the portable core: projects with extension state, theme colours and a
// registration log. A FakeHost installs itself into g_host and restores the table when it goes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/host_api.h"

struct FakeProject {
    std::string file; // the project file EnumProjects names; empty while unsaved
    std::map<std::string, std::map<std::string, std::string>> ext_state;
    int dirty_marks = 0;
};

struct Registration {
    std::string name;
    void* info;
    int result;
};

struct FakeHost {
    FakeHost();
    ~FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    ReaProject* Handle(int index) { return reinterpret_cast<ReaProject*>(&projects[index]); }
    std::string& Stored(int index, const std::string& key) {
        return projects[index].ext_state["Murivo"][key];
    }

    FakeProject projects[2];
    // The host's global extension state, by section and key. As in the host, an empty value or
    // one with a line break (the state file holds one value a line) removes the key.
    std::map<std::string, std::map<std::string, std::string>> global_state;
    int global_writes = 0;
    int current = 1; // the current tab, not the first, so that tab 0 is not taken for it; -1: none
    std::map<std::string, int> theme;
    std::vector<Registration> registrations;
    std::vector<std::string> refused; // registration names that fail
    int next_command_id = 40000;
    int ext_state_reads = 0;
    int ext_state_writes = 0;
    std::vector<int> toolbar_refreshes; // command ids, oldest first

    HostApi saved;
};
