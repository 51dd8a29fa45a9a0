// Project tabs with one current project, each with its in-memory extension state
// (section -> key -> value) and dirty flag.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct ReaProject;

namespace sim {

// Replaces all tabs; current is an index into names, paths[i] the file of tab i (none: unsaved).
void ResetProjects(const std::vector<std::string>& names, int current,
                   const std::vector<std::string>& paths = {});

int ProjectCount();
ReaProject* ProjectAt(int index); // null outside 0..count-1
ReaProject* CurrentProject();
int CurrentProjectIndex();
void SetCurrentProject(int index);
std::string ProjectName(ReaProject* project);
// The project's file as EnumProjects reports it (UTF-8); empty while it is unsaved.
std::string ProjectPath(ReaProject* project);
void SetProjectPath(ReaProject* project, const std::string& path);

bool IsProjectDirty(ReaProject* project);
int ExtStateReadCount(ReaProject* project); // GetProjExtState calls that resolved to project

std::optional<std::string> ExtStateValue(ReaProject* project, const std::string& section,
                                         const std::string& key);
std::map<std::string, std::string> ExtStateSection(ReaProject* project, const std::string& section);
// Stores a value as the host would; used to seed state before a load.
void PutExtStateValue(ReaProject* project, const std::string& section, const std::string& key,
                      const std::string& value);

// The host's side of the extension API (a null project means the current one). EnumProjects
// fills the buffer with the project's file, as the host does, not with its tab name.
ReaProject* HostEnumProjects(int index, char* name_buffer, int buffer_size);
int HostGetProjExtState(ReaProject* project, const char* section, const char* key, char* buffer,
                        int buffer_size);
int HostSetProjExtState(ReaProject* project, const char* section, const char* key,
                        const char* value);
void HostMarkProjectDirty(ReaProject* project);

} // namespace sim
