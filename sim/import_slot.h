// The host executable's import address table: where its BitBlt import points, and a way for
// tests to put something else there (a foreign hook) and back.
#pragma once

#include <string>

namespace sim {

// The slot through which the executable calls function of dll; null when it has none.
void** FindExecutableImportSlot(const char* dll, const char* function);

// Writes replacement into the slot; returns what was there, or null when there is no slot.
void* SwapExecutableImport(const char* dll, const char* function, void* replacement);

// "system" when the BitBlt import holds gdi32's own BitBlt, "replaced" otherwise,
// "missing" when the executable does not import it.
std::string BitBltImportState();

} // namespace sim
