// Loading the extension module and calling its entry point the way the host does: with the
// plug-in information record at load and with a null record at unload.
#pragma once

#include <windows.h>

#include <string>

#include "base/host_records.h"

namespace sim {

// reaper_murivo.dll next to the running executable.
std::string DefaultExtensionPath();

// LoadLibrary of a fresh copy (module_copy.h) and find ReaperPluginEntry; false with a message
// in error.
bool LoadExtensionModule(const std::string& path, std::string& error);
bool ExtensionModuleLoaded();
// The module loaded last, or null.
HMODULE ExtensionModule();

// Calls the entry with a record for the main window; with_lookup false leaves the lookup null.
int CallEntryLoad(int version = kHostInterfaceVersion, bool with_lookup = true);
int CallEntryUnload();

// FreeLibrary; the next load starts with fresh module state (a module that pinned itself stays
// mapped, but the next load maps another copy).
void FreeExtensionModule();

} // namespace sim
