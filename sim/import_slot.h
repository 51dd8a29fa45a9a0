// The host executable's import address table: where its BitBlt import points, and a way for
// tests to put something else there (a foreign hook) and back.
#pragma once

#include <windows.h>

#include <string>

namespace sim {

// Writes value into an import slot of any module, lifting the page protection around the write.
bool WriteImportSlot(void** slot, void* value);

// Whether address still lies in module: a module may have been freed (and another mapped in its
// place) before a swapped slot is put back.
bool AddressInModule(HMODULE module, void* address);

// The slot through which the executable calls function of dll; null when it has none.
void** FindExecutableImportSlot(const char* dll, const char* function);

// Writes replacement into the slot; returns what was there, or null when there is no slot.
void* SwapExecutableImport(const char* dll, const char* function, void* replacement);

// Makes the executable's import address table read-only, as the loader leaves an executable's
// read-only import section after binding. Every party that writes a slot must lift it first.
bool ProtectExecutableImportTable();

// The protection of the page holding address, by name ("readonly", "readwrite", ...).
std::string PageProtectionName(const void* address);

// The protection of the page holding the executable's BitBlt import slot; "missing" without one.
std::string BitBltImportPageState();

// "system" when the BitBlt import holds gdi32's own BitBlt, "replaced" otherwise,
// "missing" when the executable does not import it.
std::string BitBltImportState();

} // namespace sim
