// Loading the extension module and calling its entry point the way the host does: with the
// plug-in information record at load and with a null record at unload.
#pragma once

#include <string>

namespace sim {

inline constexpr int kHostInterfaceVersion = 526;

// reaper_murivo.dll next to the running executable.
std::string DefaultExtensionPath();

// LoadLibrary and find ReaperPluginEntry; false with a message in error.
bool LoadExtensionModule(const std::string& path, std::string& error);
bool ExtensionModuleLoaded();

// Calls the entry with a record for the main window; with_lookup false leaves the lookup null.
int CallEntryLoad(int version = kHostInterfaceVersion, bool with_lookup = true);
int CallEntryUnload();

// FreeLibrary; the next load starts with fresh module state.
void FreeExtensionModule();

} // namespace sim
