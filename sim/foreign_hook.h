// Another extension's hook on the executable's BitBlt import: it sits in the slot and passes
// every call on to whatever the slot held before it, as well-behaved third-party hooks do.
#pragma once

#include <windows.h>

namespace sim {

// Puts the foreign hook into the slot; false when there is no slot or it is already in.
bool InstallForeignBitBltHook();
// Puts back what the slot held before, if the slot still holds the foreign hook.
bool RemoveForeignBitBltHook();
bool ForeignBitBltHookInstalled();
// The foreign hook's address, and what it forwards to.
void* ForeignBitBltFunction();
void* ForeignBitBltNext();
int ForeignBitBltCallCount();

} // namespace sim
