// Swapping a set of one module's imports for wrappers and back, for the accountings that watch
// what the extension asks of the system.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace sim {

struct WrappedImport {
    const char* dll;
    const char* name;
    void* wrapper;
};

// Where each import of a set was swapped and what its slot held before; null slots were not.
struct WrappedSlots {
    HMODULE module = nullptr;
    std::vector<void**> slots;
    std::vector<void*> real;
};

// Writes each wrapper into the module's slot for that import, when it has one; returns the
// names wrapped.
std::vector<std::string> WrapImports(HMODULE module, const std::vector<WrappedImport>& imports,
                                     WrappedSlots& wrapped);

// Puts the module's own imports back while it is still mapped and a slot still holds the wrapper.
void UnwrapImports(const std::vector<WrappedImport>& imports, WrappedSlots& wrapped);

} // namespace sim
