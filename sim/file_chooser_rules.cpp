#include "file_chooser_rules.h"

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

namespace sim {
namespace {

// mov rax, imm64; jmp rax
constexpr size_t kJumpBytes = 12;

struct Patch {
    uint8_t* target = nullptr;
    uint8_t saved[kJumpBytes] = {};
};

Patch g_open;
Patch g_error;
bool g_installed = false;
DWORD g_refused = 0; // the extended error of the last call, when it was refused
int g_refusals = 0;

void WriteCode(uint8_t* target, const uint8_t* bytes) {
    DWORD old = 0;
    VirtualProtect(target, kJumpBytes, PAGE_EXECUTE_READWRITE, &old);
    std::memcpy(target, bytes, kJumpBytes);
    VirtualProtect(target, kJumpBytes, old, &old);
    FlushInstructionCache(GetCurrentProcess(), target, kJumpBytes);
}

void JumpTo(Patch& patch, const void* destination) {
    uint8_t code[kJumpBytes] = {0x48, 0xB8};
    const auto address = reinterpret_cast<uintptr_t>(destination);
    std::memcpy(code + 2, &address, sizeof address);
    code[10] = 0xFF;
    code[11] = 0xE0;
    WriteCode(patch.target, code);
}

bool InvalidInitialName(const wchar_t* name) {
    if (name == nullptr || name[0] == L'\0') {
        return false;
    }
    return name[std::wcslen(name) - 1] == L'\\' || std::wcspbrk(name, L"\"<>|") != nullptr;
}

BOOL WINAPI RefusingGetOpenFileName(OPENFILENAMEW* dialog);
DWORD WINAPI RefusingExtendedError();

// Calls the real function with the patch lifted for the call (the chooser runs on one thread).
template <typename Function, typename... Args>
auto CallOriginal(Patch& patch, const void* replacement, Args... args) {
    WriteCode(patch.target, patch.saved);
    const auto result = reinterpret_cast<Function>(reinterpret_cast<void*>(patch.target))(args...);
    JumpTo(patch, replacement);
    return result;
}

BOOL WINAPI RefusingGetOpenFileName(OPENFILENAMEW* dialog) {
    if (dialog != nullptr && InvalidInitialName(dialog->lpstrFile)) {
        g_refused = FNERR_INVALIDFILENAME;
        ++g_refusals;
        return FALSE;
    }
    g_refused = 0;
    return CallOriginal<BOOL(WINAPI*)(OPENFILENAMEW*)>(
        g_open, reinterpret_cast<const void*>(&RefusingGetOpenFileName), dialog);
}

DWORD WINAPI RefusingExtendedError() {
    if (g_refused != 0) {
        return g_refused;
    }
    return CallOriginal<DWORD(WINAPI*)()>(g_error,
                                          reinterpret_cast<const void*>(&RefusingExtendedError));
}

} // namespace

bool RefuseInvalidChooserNames() {
    if (g_installed) {
        return true;
    }
#if defined(__x86_64__) || defined(_M_X64)
    // Kept loaded for the life of the process: the patch lives in its code.
    HMODULE library = LoadLibraryW(L"comdlg32.dll");
    if (library == nullptr) {
        return false;
    }
    auto* open = reinterpret_cast<uint8_t*>(GetProcAddress(library, "GetOpenFileNameW"));
    auto* error = reinterpret_cast<uint8_t*>(GetProcAddress(library, "CommDlgExtendedError"));
    if (open == nullptr || error == nullptr) {
        return false;
    }
    g_open.target = open;
    g_error.target = error;
    std::memcpy(g_open.saved, open, kJumpBytes);
    std::memcpy(g_error.saved, error, kJumpBytes);
    JumpTo(g_open, reinterpret_cast<const void*>(&RefusingGetOpenFileName));
    JumpTo(g_error, reinterpret_cast<const void*>(&RefusingExtendedError));
    g_installed = true;
    return true;
#else
    return false;
#endif
}

int ChooserRefusals() {
    return g_refusals;
}

} // namespace sim
