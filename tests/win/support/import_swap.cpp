#include "support/import_swap.h"

#include <cstdint>

#include "extension_module.h"
#include "intercept/import_table.h"
#include "text_file.h"

namespace {

bool WriteSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        return false;
    }
    *slot = value;
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof *slot, protection, &ignored);
    return true;
}

// The module may have been freed (and another mapped in its place) before the swap ends.
bool StillMapped(HMODULE module, void* address) {
    HMODULE found = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(address), &found) != 0 &&
           found == module;
}

} // namespace

ImportSwap::ImportSwap(const char* module_name, const char* function_name, void* stand_in) {
    HMODULE module = GetModuleHandleW(sim::Utf8ToWide(sim::DefaultExtensionPath()).c_str());
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
    if (!WriteSlot(slot, stand_in)) {
        return;
    }
    module_ = module;
    slot_ = slot;
    real_ = real;
    stand_in_ = stand_in;
}

ImportSwap::~ImportSwap() {
    if (slot_ != nullptr && StillMapped(module_, slot_) && *slot_ == stand_in_) {
        WriteSlot(slot_, real_);
    }
}
