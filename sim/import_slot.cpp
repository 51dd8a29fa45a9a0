#include "import_slot.h"

#include <windows.h>

#include <cstring>

namespace sim {

namespace {

template <typename T> T* At(BYTE* base, DWORD offset) {
    return reinterpret_cast<T*>(base + offset);
}

} // namespace

void** FindExecutableImportSlot(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
        return nullptr;
    }
    auto* nt = At<IMAGE_NT_HEADERS64>(base, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt->Signature != IMAGE_NT_SIGNATURE || directory.VirtualAddress == 0) {
        return nullptr;
    }
    auto* descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(base, directory.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        if (_stricmp(At<char>(base, descriptor->Name), dll) != 0 ||
            descriptor->OriginalFirstThunk == 0) {
            continue;
        }
        auto* names = At<IMAGE_THUNK_DATA64>(base, descriptor->OriginalFirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA64>(base, descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL64(names->u1.Ordinal)) {
                continue;
            }
            auto* by_name =
                At<IMAGE_IMPORT_BY_NAME>(base, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) == 0) {
                return reinterpret_cast<void**>(&slots->u1.Function);
            }
        }
    }
    return nullptr;
}

bool WriteImportSlot(void** slot, void* value) {
    DWORD protection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection)) {
        return false;
    }
    *slot = value;
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof *slot, protection, &ignored);
    return true;
}

bool AddressInModule(HMODULE module, void* address) {
    HMODULE found = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(address), &found) != 0 &&
           found == module;
}

void* SwapExecutableImport(const char* dll, const char* function, void* replacement) {
    void** slot = FindExecutableImportSlot(dll, function);
    if (slot == nullptr) {
        return nullptr;
    }
    void* previous = *slot;
    return WriteImportSlot(slot, replacement) ? previous : nullptr;
}

std::string BitBltImportState() {
    void** slot = FindExecutableImportSlot("gdi32.dll", "BitBlt");
    if (slot == nullptr) {
        return "missing";
    }
    auto* system =
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdi32.dll"), "BitBlt"));
    return *slot == system ? "system" : "replaced";
}

} // namespace sim
