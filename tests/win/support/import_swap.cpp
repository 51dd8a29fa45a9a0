#include "support/import_swap.h"

#include <cstdint>

#include "extension_module.h"
#include "import_slot.h"
#include "intercept/import_table.h"

ImportSwap::ImportSwap(const char* module_name, const char* function_name, void* stand_in) {
    HMODULE module = sim::ExtensionModule();
    if (module == nullptr) {
        return;
    }
    // The loader mapped the whole image the headers declare; the walk stays within it.
    size_t offset = FindImportSlotOffset(reinterpret_cast<const uint8_t*>(module), SIZE_MAX,
                                         module_name, function_name);
    if (offset == 0) {
        return;
    }
    auto** slot = reinterpret_cast<void**>(reinterpret_cast<uintptr_t>(module) + offset);
    void* real = *slot;
    if (!sim::WriteImportSlot(slot, stand_in)) {
        return;
    }
    module_ = module;
    slot_ = slot;
    real_ = real;
    stand_in_ = stand_in;
}

ImportSwap::~ImportSwap() {
    if (slot_ != nullptr && sim::AddressInModule(module_, slot_) && *slot_ == stand_in_) {
        sim::WriteImportSlot(slot_, real_);
    }
}
