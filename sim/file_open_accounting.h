// Recording every file name one loaded module hands to the system. Its own kernel32 and shlwapi
// imports that open or look at a file by name are swapped, in its import address table, for
// wrappers that note the name first. Names of other computers and devices ("\\...") are noted
// and refused without reaching the system, as an unreachable server would refuse them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

// Wraps the module's imports that the accounting knows; returns the names wrapped. One module at
// a time; the recorded names stay until ResetFileOpens.
std::vector<std::string> StartFileOpenAccounting(HMODULE module);
// Puts the module's own imports back when it is still mapped.
void StopFileOpenAccounting();

// Every name handed over since the last reset, oldest first.
std::vector<std::wstring> FileOpens();
void ResetFileOpens();

} // namespace sim
