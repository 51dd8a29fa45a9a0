// Per-load copies of the extension module. Once its BitBlt hook was in place the extension pins
// itself, as it must in the host, so FreeLibrary leaves it mapped with all its state; a host that
// loads it again (tests, one per test) maps a copy of its own, as a new process would.
#pragma once

#include <string>

namespace sim {

// Copies the module to a directory of its own under the temporary directory, keeping its file
// name; the copy's path, or empty with error set. Copies of processes that ended are removed.
std::wstring FreshModuleCopy(const std::wstring& path, std::string& error);

} // namespace sim
