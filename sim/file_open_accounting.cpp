#include "file_open_accounting.h"

#include <objidl.h>

#include <mutex>

#include "import_wrapping.h"

namespace sim {

namespace {

enum Import {
    kCreateFileW,
    kCreateFileA,
    kGetFileAttributesW,
    kGetFileAttributesA,
    kGetFileAttributesExW,
    kFindFirstFileW,
    kFindFirstFileExW,
    kSHCreateStreamOnFileW,
    kSHCreateStreamOnFileEx
};

WrappedSlots g_wrapped;

std::mutex g_mutex;
std::vector<std::wstring> g_opens;

template <typename Function> Function Real(Import which) {
    return reinterpret_cast<Function>(g_wrapped.real[which]);
}

// Notes the name; false when it names another computer or a device and must not go further.
bool Note(const std::wstring& name) {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_opens.push_back(name);
    }
    bool remote = name.size() >= 2 && (name[0] == L'\\' || name[0] == L'/') &&
                  (name[1] == L'\\' || name[1] == L'/');
    if (remote) {
        SetLastError(ERROR_BAD_NETPATH);
    }
    return !remote;
}

std::wstring Wide(LPCWSTR name) {
    return name != nullptr ? std::wstring(name) : std::wstring();
}

std::wstring Widen(LPCSTR name) {
    if (name == nullptr) {
        return {};
    }
    std::wstring wide(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, name, -1, nullptr, 0)),
                      L'\0');
    if (!wide.empty()) {
        MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), static_cast<int>(wide.size()));
        wide.pop_back();
    }
    return wide;
}

HANDLE WINAPI NotedCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                               DWORD disposition, DWORD flags, HANDLE tmpl) {
    if (!Note(Wide(name))) {
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&CreateFileW)>(kCreateFileW)(name, access, share, sa, disposition, flags,
                                                      tmpl);
}

HANDLE WINAPI NotedCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                               DWORD disposition, DWORD flags, HANDLE tmpl) {
    if (!Note(Widen(name))) {
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&CreateFileA)>(kCreateFileA)(name, access, share, sa, disposition, flags,
                                                      tmpl);
}

DWORD WINAPI NotedGetFileAttributesW(LPCWSTR name) {
    if (!Note(Wide(name))) {
        return INVALID_FILE_ATTRIBUTES;
    }
    return Real<decltype(&GetFileAttributesW)>(kGetFileAttributesW)(name);
}

DWORD WINAPI NotedGetFileAttributesA(LPCSTR name) {
    if (!Note(Widen(name))) {
        return INVALID_FILE_ATTRIBUTES;
    }
    return Real<decltype(&GetFileAttributesA)>(kGetFileAttributesA)(name);
}

BOOL WINAPI NotedGetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
    if (!Note(Wide(name))) {
        return FALSE;
    }
    return Real<decltype(&GetFileAttributesExW)>(kGetFileAttributesExW)(name, level, info);
}

HANDLE WINAPI NotedFindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) {
    if (!Note(Wide(name))) {
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&FindFirstFileW)>(kFindFirstFileW)(name, data);
}

HANDLE WINAPI NotedFindFirstFileExW(LPCWSTR name, FINDEX_INFO_LEVELS level, LPVOID data,
                                    FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    if (!Note(Wide(name))) {
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&FindFirstFileExW)>(kFindFirstFileExW)(name, level, data, search, filter,
                                                                flags);
}

using StreamOnFile = HRESULT(WINAPI*)(LPCWSTR, DWORD, IStream**);
using StreamOnFileEx = HRESULT(WINAPI*)(LPCWSTR, DWORD, DWORD, BOOL, IStream*, IStream**);

HRESULT WINAPI NotedSHCreateStreamOnFileW(LPCWSTR name, DWORD mode, IStream** stream) {
    if (!Note(Wide(name))) {
        return HRESULT_FROM_WIN32(ERROR_BAD_NETPATH);
    }
    return Real<StreamOnFile>(kSHCreateStreamOnFileW)(name, mode, stream);
}

HRESULT WINAPI NotedSHCreateStreamOnFileEx(LPCWSTR name, DWORD mode, DWORD attributes, BOOL create,
                                           IStream* tmpl, IStream** stream) {
    if (!Note(Wide(name))) {
        return HRESULT_FROM_WIN32(ERROR_BAD_NETPATH);
    }
    return Real<StreamOnFileEx>(kSHCreateStreamOnFileEx)(name, mode, attributes, create, tmpl,
                                                         stream);
}

// In the order of enum Import.
const std::vector<WrappedImport> kImports = {
    {"kernel32.dll", "CreateFileW", reinterpret_cast<void*>(&NotedCreateFileW)},
    {"kernel32.dll", "CreateFileA", reinterpret_cast<void*>(&NotedCreateFileA)},
    {"kernel32.dll", "GetFileAttributesW", reinterpret_cast<void*>(&NotedGetFileAttributesW)},
    {"kernel32.dll", "GetFileAttributesA", reinterpret_cast<void*>(&NotedGetFileAttributesA)},
    {"kernel32.dll", "GetFileAttributesExW", reinterpret_cast<void*>(&NotedGetFileAttributesExW)},
    {"kernel32.dll", "FindFirstFileW", reinterpret_cast<void*>(&NotedFindFirstFileW)},
    {"kernel32.dll", "FindFirstFileExW", reinterpret_cast<void*>(&NotedFindFirstFileExW)},
    {"shlwapi.dll", "SHCreateStreamOnFileW", reinterpret_cast<void*>(&NotedSHCreateStreamOnFileW)},
    {"shlwapi.dll", "SHCreateStreamOnFileEx",
     reinterpret_cast<void*>(&NotedSHCreateStreamOnFileEx)},
};

} // namespace

std::vector<std::string> StartFileOpenAccounting(HMODULE module) {
    StopFileOpenAccounting();
    return WrapImports(module, kImports, g_wrapped);
}

void StopFileOpenAccounting() {
    UnwrapImports(kImports, g_wrapped);
}

std::vector<std::wstring> FileOpens() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_opens;
}

void ResetFileOpens() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_opens.clear();
}

} // namespace sim
