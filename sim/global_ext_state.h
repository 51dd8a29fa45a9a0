// The host's global extension state (section -> key -> value), with the values to persist
// kept apart from those that last only for the run, as the host keeps them.
#pragma once

#include <optional>
#include <string>

namespace sim {

void ResetGlobalExtState();

std::optional<std::string> GlobalExtStateValue(const std::string& section, const std::string& key);
bool IsGlobalExtStatePersisted(const std::string& section, const std::string& key);
// Stores a value as the host would; used to seed state before a load.
void PutGlobalExtStateValue(const std::string& section, const std::string& key,
                            const std::string& value);

// "[section]" lines and "key=value" lines, as the host's state file holds them. Loading replaces
// everything; saving writes the persisted values only.
bool LoadGlobalExtStateFile(const std::string& path, std::string& error);
bool SaveGlobalExtStateFile(const std::string& path);

// The host's side of the extension API. The text GetExtState returns stays valid only until the
// next call, as the host promises no more.
const char* HostGetExtState(const char* section, const char* key);
void HostSetExtState(const char* section, const char* key, const char* value, bool persist);
bool HostHasExtState(const char* section, const char* key);

} // namespace sim
