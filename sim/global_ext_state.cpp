#include "global_ext_state.h"

#include <windows.h>

#include <map>
#include <utility>

#include "text_file.h"
#include "text_lines.h"

namespace sim {

namespace {

struct GlobalValue {
    std::string text;
    bool persist = false;
};

std::map<std::pair<std::string, std::string>, GlobalValue> g_values;
// Replaced by every GetExtState, so a caller that keeps the pointer sees another text.
std::string g_returned;

} // namespace

void ResetGlobalExtState() {
    g_values.clear();
    g_returned.clear();
}

std::optional<std::string> GlobalExtStateValue(const std::string& section, const std::string& key) {
    auto found = g_values.find({section, key});
    if (found == g_values.end()) {
        return std::nullopt;
    }
    return found->second.text;
}

bool IsGlobalExtStatePersisted(const std::string& section, const std::string& key) {
    auto found = g_values.find({section, key});
    return found != g_values.end() && found->second.persist;
}

void PutGlobalExtStateValue(const std::string& section, const std::string& key,
                            const std::string& value) {
    HostSetExtState(section.c_str(), key.c_str(), value.c_str(), true);
}

bool LoadGlobalExtStateFile(const std::string& path, std::string& error) {
    std::string text;
    if (!ReadTextFile(path, text)) {
        error = DisplayPath(path) + ": cannot read global state file";
        return false;
    }
    ResetGlobalExtState();
    std::string section;
    int line_number = 0;
    for (std::string_view raw : SplitLines(text)) {
        ++line_number;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        size_t equals = line.find('=');
        if (section.empty() || equals == std::string::npos || equals == 0) {
            error = LineError(path, line_number, "expected [section] or key=value");
            return false;
        }
        g_values[{section, line.substr(0, equals)}] = {line.substr(equals + 1), true};
    }
    return true;
}

bool SaveGlobalExtStateFile(const std::string& path) {
    std::string text;
    std::string section;
    for (const auto& [name, value] : g_values) {
        if (!value.persist) {
            continue;
        }
        if (name.first != section) {
            section = name.first;
            text += "[" + section + "]\n";
        }
        text += name.second + "=" + value.text + "\n";
    }
    HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    CloseHandle(file);
    return ok;
}

const char* HostGetExtState(const char* section, const char* key) {
    g_returned.clear();
    if (section != nullptr && key != nullptr) {
        auto found = g_values.find({section, key});
        if (found != g_values.end()) {
            g_returned = found->second.text;
        }
    }
    return g_returned.c_str();
}

void HostSetExtState(const char* section, const char* key, const char* value, bool persist) {
    if (section == nullptr || section[0] == '\0' || key == nullptr || key[0] == '\0') {
        return;
    }
    // An empty or missing value deletes the key; the state file cannot hold line breaks.
    std::string text = value != nullptr ? value : "";
    if (text.empty() || text.find_first_of("\r\n") != std::string::npos) {
        g_values.erase({section, key});
        return;
    }
    g_values[{section, key}] = {text, persist};
}

bool HostHasExtState(const char* section, const char* key) {
    return section != nullptr && key != nullptr && g_values.count({section, key}) != 0;
}

} // namespace sim
