// The twenty host functions the extension binds by name, the lookup it binds them through,
// and per-function call counters.
#pragma once

#include <string>

namespace sim {

// Clears the withheld set and all counters.
void ResetHostFunctions();

// The lookup stops knowing name (one of the twenty); unknown names are never known.
void WithholdHostFunction(const std::string& name);
bool IsHostFunctionName(const std::string& name);

// The lookup handed to the extension in the plug-in information record.
void* LookupHostFunction(const char* name);

int LookupCallCount();
int HostCallCount(const std::string& name);

// Whether the extension called AddExtensionsMainMenu.
bool ExtensionsMenuRequested();

} // namespace sim
