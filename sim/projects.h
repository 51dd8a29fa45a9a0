// Project tabs with one current project, each with its in-memory extension state
// (section -> key -> value) and dirty flag.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct ReaProject;

namespace sim {

// Replaces all tabs; current is an index into names.
void ResetProjects(const std::vector<std::string>& names, int current);

int ProjectCount();
ReaProject* ProjectAt(int index); // null outside 0..count-1
ReaProject* CurrentProject();
void SetCurrentProject(int index);
std::string ProjectName(ReaProject* project);

bool IsProjectDirty(ReaProject* project);
int ExtStateReadCount(ReaProject* project); // GetProjExtState calls that resolved to project

std::optional<std::string> ExtStateValue(ReaProject* project, const std::string& section,
                                         const std::string& key);
std::map<std::string, std::string> ExtStateSection(ReaProject* project, const std::string& section);
// Stores a value as the host would; used to seed state before a load.
void PutExtStateValue(ReaProject* project, const std::string& section, const std::string& key,
                      const std::string& value);

// The host's side of the extension API (a null project means the current one).
ReaProject* HostEnumProjects(int index, char* name_buffer, int buffer_size);
int HostGetProjExtState(ReaProject* project, const char* section, const char* key, char* buffer,
                        int buffer_size);
int HostSetProjExtState(ReaProject* project, const char* section, const char* key,
                        const char* value);
void HostMarkProjectDirty(ReaProject* project);

} // namespace sim
