#include "file_chooser_rules.h"

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
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
std::vector<ChooserRequest> g_requests;
std::vector<std::wstring> g_contacts;

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

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// A path that reaches another computer or a device rather than a folder here: "\\server\...",
// "\\.\...", "\\?\UNC\...", "\??\..." alike; "\\?\C:\..." is a file here.
bool IsRemote(const std::wstring& path) {
    bool doubled = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    bool nt = path.size() >= 4 && IsSeparator(path[0]) && path[1] == L'?' && path[2] == L'?' &&
              IsSeparator(path[3]);
    if (!doubled && !nt) {
        return false;
    }
    bool verbatim = nt || (path.size() >= 4 && path[2] == L'?' && IsSeparator(path[3]));
    wchar_t letter = path.size() >= 6 ? static_cast<wchar_t>(path[4] | 0x20) : L'\0';
    bool drive = letter >= L'a' && letter <= L'z' && path[5] == L':';
    return !(verbatim && drive);
}

std::wstring FolderOf(const std::wstring& name) {
    size_t last = name.find_last_of(L"\\/");
    return last == std::wstring::npos ? std::wstring() : name.substr(0, last);
}

// Notes the request and what listing its start would contact; a remote start is taken out of
// the record (the name keeps its last part) so Wine never tries the path itself.
void NoteRequest(OPENFILENAMEW& dialog) {
    ChooserRequest request;
    if (dialog.lpstrInitialDir != nullptr) {
        request.initial_folder = dialog.lpstrInitialDir;
    }
    if (dialog.lpstrFile != nullptr && dialog.nMaxFile > 0) {
        request.initial_name.assign(dialog.lpstrFile, wcsnlen(dialog.lpstrFile, dialog.nMaxFile));
    }
    g_requests.push_back(request);
    if (IsRemote(request.initial_folder)) {
        g_contacts.push_back(request.initial_folder);
        dialog.lpstrInitialDir = nullptr;
    }
    if (IsRemote(request.initial_name)) {
        g_contacts.push_back(FolderOf(request.initial_name));
        std::wstring last = request.initial_name.substr(FolderOf(request.initial_name).size());
        last.erase(0, std::min<size_t>(1, last.size()));
        std::copy(last.begin(), last.end(), dialog.lpstrFile);
        dialog.lpstrFile[last.size()] = L'\0';
    }
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
    if (dialog == nullptr) {
        g_refused = 0;
        return CallOriginal<BOOL(WINAPI*)(OPENFILENAMEW*)>(
            g_open, reinterpret_cast<const void*>(&RefusingGetOpenFileName), dialog);
    }
    const wchar_t* initial_folder = dialog->lpstrInitialDir;
    const bool invalid = InvalidInitialName(dialog->lpstrFile);
    NoteRequest(*dialog);
    if (invalid) {
        dialog->lpstrInitialDir = initial_folder;
        g_refused = FNERR_INVALIDFILENAME;
        ++g_refusals;
        return FALSE;
    }
    g_refused = 0;
    BOOL result = CallOriginal<BOOL(WINAPI*)(OPENFILENAMEW*)>(
        g_open, reinterpret_cast<const void*>(&RefusingGetOpenFileName), dialog);
    dialog->lpstrInitialDir = initial_folder; // the caller's record as it was given
    return result;
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

std::vector<ChooserRequest> ChooserRequests() {
    return g_requests;
}

std::vector<std::wstring> ChooserContacts() {
    return g_contacts;
}

void ResetChooserAccounting() {
    g_requests.clear();
    g_contacts.clear();
}

} // namespace sim
