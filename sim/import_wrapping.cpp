#include "import_wrapping.h"

#include <cstdint>

#include "import_slot.h"
#include "intercept/import_table.h"

namespace sim {

std::vector<std::string> WrapImports(HMODULE module, const std::vector<WrappedImport>& imports,
                                     WrappedSlots& wrapped) {
    std::vector<std::string> names;
    wrapped.module = module;
    wrapped.slots.assign(imports.size(), nullptr);
    wrapped.real.assign(imports.size(), nullptr);
    if (module == nullptr) {
        return names;
    }
    const auto* image = reinterpret_cast<const uint8_t*>(module);
    for (size_t i = 0; i < imports.size(); ++i) {
        // The loader mapped the whole image the headers declare; the walk stays within it.
        size_t offset = FindImportSlotOffset(image, SIZE_MAX, imports[i].dll, imports[i].name);
        if (offset == 0) {
            continue;
        }
        auto** slot = reinterpret_cast<void**>(reinterpret_cast<uintptr_t>(module) + offset);
        void* real = *slot;
        if (!WriteImportSlot(slot, imports[i].wrapper)) {
            continue;
        }
        wrapped.real[i] = real;
        wrapped.slots[i] = slot;
        names.push_back(imports[i].name);
    }
    return names;
}

void UnwrapImports(const std::vector<WrappedImport>& imports, WrappedSlots& wrapped) {
    for (size_t i = 0; i < wrapped.slots.size() && i < imports.size(); ++i) {
        void** slot = wrapped.slots[i];
        wrapped.slots[i] = nullptr;
        if (slot != nullptr && AddressInModule(wrapped.module, slot) &&
            *slot == imports[i].wrapper) {
            WriteImportSlot(slot, wrapped.real[i]);
        }
    }
    wrapped.module = nullptr;
}

} // namespace sim
