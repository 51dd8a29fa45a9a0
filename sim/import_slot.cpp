#include "import_slot.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace sim {

namespace {

template <typename T> T* At(BYTE* base, DWORD offset) {
    return reinterpret_cast<T*>(base + offset);
}

IMAGE_NT_HEADERS64* ExecutableHeaders(BYTE* base) {
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
        return nullptr;
    }
    auto* nt = At<IMAGE_NT_HEADERS64>(base, static_cast<DWORD>(dos->e_lfanew));
    return nt->Signature == IMAGE_NT_SIGNATURE ? nt : nullptr;
}

// Where the address table lies: the directory the linker wrote, else the span of every
// descriptor's slots.
bool ImportTableSpan(BYTE* base, DWORD& start, DWORD& end) {
    IMAGE_NT_HEADERS64* nt = ExecutableHeaders(base);
    if (nt == nullptr) {
        return false;
    }
    const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
    if (table.VirtualAddress != 0 && table.Size != 0) {
        start = table.VirtualAddress;
        end = table.VirtualAddress + table.Size;
        return true;
    }
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) {
        return false;
    }
    start = 0xFFFFFFFFu;
    end = 0;
    for (auto* d = At<IMAGE_IMPORT_DESCRIPTOR>(base, imports.VirtualAddress); d->Name != 0; ++d) {
        DWORD slot = d->FirstThunk;
        for (auto* t = At<IMAGE_THUNK_DATA64>(base, slot); t->u1.Function != 0; ++t) {
            slot += sizeof *t;
        }
        start = std::min(start, d->FirstThunk);
        end = std::max(end, slot + DWORD{sizeof(IMAGE_THUNK_DATA64)});
    }
    return end > start;
}

} // namespace

bool ProtectExecutableImportTable() {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    DWORD start = 0;
    DWORD end = 0;
    if (!ImportTableSpan(base, start, end)) {
        return false;
    }
    DWORD previous = 0;
    return VirtualProtect(base + start, end - start, PAGE_READONLY, &previous) != FALSE;
}

std::string PageProtectionName(const void* address) {
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(address, &info, sizeof info) != sizeof info) {
        return "unknown";
    }
    static const std::pair<DWORD, const char*> kNames[] = {
        {PAGE_NOACCESS, "noaccess"},
        {PAGE_READONLY, "readonly"},
        {PAGE_READWRITE, "readwrite"},
        {PAGE_WRITECOPY, "writecopy"},
        {PAGE_EXECUTE, "execute"},
        {PAGE_EXECUTE_READ, "execute-read"},
        {PAGE_EXECUTE_READWRITE, "execute-readwrite"},
        {PAGE_EXECUTE_WRITECOPY, "execute-writecopy"}};
    const DWORD base = info.Protect & 0xFFu;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(info.Protect));
    std::string name = hex;
    for (const auto& [value, text] : kNames) {
        if (value == base) {
            name = text;
        }
    }
    if ((info.Protect & PAGE_GUARD) != 0) {
        name += "+guard";
    }
    return name;
}

std::string BitBltImportPageState() {
    void** slot = FindExecutableImportSlot("gdi32.dll", "BitBlt");
    return slot != nullptr ? PageProtectionName(slot) : "missing";
}

void** FindExecutableImportSlot(const char* dll, const char* function) {
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    IMAGE_NT_HEADERS64* nt = ExecutableHeaders(base);
    if (nt == nullptr) {
        return nullptr;
    }
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) {
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
