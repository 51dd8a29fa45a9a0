// The host functions the extension binds by name, the lookup it binds them through,
// and per-function call counters.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace sim {

// Clears the withheld set, all counters and the global extension state.
void ResetHostFunctions();

// The lookup stops knowing name (one of the table's); unknown names are never known.
void WithholdHostFunction(const std::string& name);
bool IsHostFunctionName(const std::string& name);

// The lookup handed to the extension in the plug-in information record.
void* LookupHostFunction(const char* name);

int LookupCallCount();
int HostCallCount(const std::string& name);

// Whether the extension called AddExtensionsMainMenu.
bool ExtensionsMenuRequested();

// Every RefreshToolbar2 call as (section id, command id), oldest first; cleared by the reset.
const std::vector<std::pair<int, int>>& ToolbarRefreshes();

} // namespace sim
