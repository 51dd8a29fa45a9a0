// Recording every file name one loaded module hands to the system. Its own kernel32 and shlwapi
// imports that open or look at a file by name (GetDriveTypeW included) are swapped, in its import
// address table, for wrappers that note the name first. Names of other computers and devices
// ("\\...") are noted and refused without reaching the system, as an unreachable server would
// refuse them (ERROR_BAD_NETPATH), unless below a share served from a folder. A module that
// opens a file and reads through the handle (the picture decoder) is seen at that open.
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

// Faults, off until set: names starting with prefix (letters without regard to case, either
// separator) fail with error, as an unplugged drive (ERROR_PATH_NOT_FOUND on its root,
// ERROR_NOT_READY) or a server that is down (ERROR_BAD_NETPATH) answers; and names below a
// share prefix ("\\server\share\") are served from folder (ending in a separator), as a
// server that is up. A fault comes before a share. ClearFileOpenFaults lifts them all.
void FailOpensBelow(const std::wstring& prefix, DWORD error);
void ServeShare(const std::wstring& prefix, const std::wstring& folder);
// Names starting with prefix answer only after ms milliseconds, as a server that is down holds
// each open for seconds before it fails; the answer itself is what it would have been.
void DelayOpensBelow(const std::wstring& prefix, DWORD ms);
// The same, but each answer waits until ReleaseHeldOpens (or at most ms): a test then knows the
// open is still in the system's hands while it looks at what the extension does meanwhile.
void HoldOpensBelow(const std::wstring& prefix, DWORD ms);
void ReleaseHeldOpens();
// Opens waiting in a hold now, on any thread.
int HeldOpensWaiting();
// A link, as GetFinalPathNameByHandleW tells it: final paths starting with from
// ("\\?\Z:\pics\") start with to instead ("\\?\UNC\server\share\").
void RewriteFinalPaths(const std::wstring& from, const std::wstring& to);
void ClearFileOpenFaults();

} // namespace sim
