#include "file_open_accounting.h"

#include <objidl.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
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
    kSHCreateStreamOnFileEx,
    kGetDriveTypeW,
    kGetFinalPathNameByHandleW
};

WrappedSlots g_wrapped;

std::mutex g_mutex;
std::vector<std::wstring> g_opens;

template <typename Function> Function Real(Import which) {
    return reinterpret_cast<Function>(g_wrapped.real[which]);
}

struct Fault {
    std::wstring prefix;
    DWORD error;
};
struct Share {
    std::wstring prefix;
    std::wstring folder;
};
struct FinalPathRewrite {
    std::wstring from;
    std::wstring to;
};
struct Delay {
    std::wstring prefix;
    DWORD ms;
    bool held; // until ReleaseHeldOpens, at most ms
};
std::vector<Fault> g_faults;
std::vector<Delay> g_delays;
HANDLE g_release = nullptr; // manual reset: set while held opens may answer
std::atomic<int> g_held_waiting{0};
std::vector<Share> g_shares;
std::vector<FinalPathRewrite> g_final_paths;

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Letters without regard to ASCII case, both separators alike.
bool StartsWithFolded(const std::wstring& name, const std::wstring& prefix) {
    if (prefix.empty() || name.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        wchar_t a = name[i];
        wchar_t b = prefix[i];
        if (IsSeparator(a) && IsSeparator(b)) {
            continue;
        }
        if (towupper(a) != towupper(b)) {
            return false;
        }
    }
    return true;
}

// What becomes of a name handed to the system: passed on as it is, passed on as a name below
// a served share's folder, or refused with an error.
struct Route {
    bool pass;
    std::wstring name;
    DWORD error;
};

// Notes the name and routes it. Names of other computers and devices ("\\...") never reach the
// system: they are refused as an unreachable server would refuse them, unless below a share
// the test serves from a folder of its own. A fault below a prefix comes first.
Route RouteNoted(const std::wstring& name) {
    g_opens.push_back(name);
    for (const Fault& fault : g_faults) {
        if (StartsWithFolded(name, fault.prefix)) {
            return {false, {}, fault.error};
        }
    }
    for (const Share& share : g_shares) {
        if (StartsWithFolded(name, share.prefix)) {
            return {true, share.folder + name.substr(share.prefix.size()), 0};
        }
    }
    bool remote = name.size() >= 2 && IsSeparator(name[0]) && IsSeparator(name[1]);
    if (remote) {
        return {false, {}, ERROR_BAD_NETPATH};
    }
    return {true, name, 0};
}

// A slow name answers only after its wait, whatever the answer is; outside the lock, so that
// other threads' names are not held up behind it.
Route Note(const std::wstring& name) {
    Route route{};
    DWORD wait = 0;
    bool held = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        route = RouteNoted(name);
        for (const Delay& delay : g_delays) {
            if (StartsWithFolded(name, delay.prefix)) {
                wait = std::max(wait, delay.ms);
                held = held || delay.held;
            }
        }
    }
    if (held && g_release != nullptr) {
        ++g_held_waiting;
        WaitForSingleObject(g_release, wait);
        --g_held_waiting;
    } else if (wait > 0) {
        Sleep(wait);
    }
    return route;
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
    Route route = Note(Wide(name));
    if (!route.pass) {
        SetLastError(route.error);
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&CreateFileW)>(kCreateFileW)(route.name.c_str(), access, share, sa,
                                                      disposition, flags, tmpl);
}

HANDLE WINAPI NotedCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                               DWORD disposition, DWORD flags, HANDLE tmpl) {
    Route route = Note(Widen(name));
    if (!route.pass) {
        SetLastError(route.error);
        return INVALID_HANDLE_VALUE;
    }
    return CreateFileW(route.name.c_str(), access, share, sa, disposition, flags, tmpl);
}

DWORD WINAPI NotedGetFileAttributesW(LPCWSTR name) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        SetLastError(route.error);
        return INVALID_FILE_ATTRIBUTES;
    }
    return Real<decltype(&GetFileAttributesW)>(kGetFileAttributesW)(route.name.c_str());
}

DWORD WINAPI NotedGetFileAttributesA(LPCSTR name) {
    Route route = Note(Widen(name));
    if (!route.pass) {
        SetLastError(route.error);
        return INVALID_FILE_ATTRIBUTES;
    }
    return GetFileAttributesW(route.name.c_str());
}

BOOL WINAPI NotedGetFileAttributesExW(LPCWSTR name, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        SetLastError(route.error);
        return FALSE;
    }
    return Real<decltype(&GetFileAttributesExW)>(kGetFileAttributesExW)(route.name.c_str(), level,
                                                                        info);
}

HANDLE WINAPI NotedFindFirstFileW(LPCWSTR name, LPWIN32_FIND_DATAW data) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        SetLastError(route.error);
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&FindFirstFileW)>(kFindFirstFileW)(route.name.c_str(), data);
}

HANDLE WINAPI NotedFindFirstFileExW(LPCWSTR name, FINDEX_INFO_LEVELS level, LPVOID data,
                                    FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        SetLastError(route.error);
        return INVALID_HANDLE_VALUE;
    }
    return Real<decltype(&FindFirstFileExW)>(kFindFirstFileExW)(route.name.c_str(), level, data,
                                                                search, filter, flags);
}

using StreamOnFile = HRESULT(WINAPI*)(LPCWSTR, DWORD, IStream**);
using StreamOnFileEx = HRESULT(WINAPI*)(LPCWSTR, DWORD, DWORD, BOOL, IStream*, IStream**);

HRESULT WINAPI NotedSHCreateStreamOnFileW(LPCWSTR name, DWORD mode, IStream** stream) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        return HRESULT_FROM_WIN32(route.error);
    }
    return Real<StreamOnFile>(kSHCreateStreamOnFileW)(route.name.c_str(), mode, stream);
}

HRESULT WINAPI NotedSHCreateStreamOnFileEx(LPCWSTR name, DWORD mode, DWORD attributes, BOOL create,
                                           IStream* tmpl, IStream** stream) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        return HRESULT_FROM_WIN32(route.error);
    }
    return Real<StreamOnFileEx>(kSHCreateStreamOnFileEx)(route.name.c_str(), mode, attributes,
                                                         create, tmpl, stream);
}

// A drive's root: looked at by name too, so noted and routed like an open.
UINT WINAPI NotedGetDriveTypeW(LPCWSTR name) {
    Route route = Note(Wide(name));
    if (!route.pass) {
        return DRIVE_NO_ROOT_DIR;
    }
    return Real<decltype(&GetDriveTypeW)>(kGetDriveTypeW)(route.name.c_str());
}

// Where an open file really lies, by handle: not a name handed over, so not noted; rewritten
// for files the test pretends are links to somewhere else.
DWORD WINAPI NotedGetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD size, DWORD flags) {
    using Function = decltype(&GetFinalPathNameByHandleW);
    DWORD length = Real<Function>(kGetFinalPathNameByHandleW)(file, path, size, flags);
    if (length == 0 || length >= size) {
        return length;
    }
    std::wstring rewritten;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        for (const FinalPathRewrite& rewrite : g_final_paths) {
            if (StartsWithFolded(path, rewrite.from)) {
                rewritten = rewrite.to + std::wstring(path + rewrite.from.size());
                break;
            }
        }
    }
    if (rewritten.empty()) {
        return length;
    }
    if (rewritten.size() >= size) {
        return static_cast<DWORD>(rewritten.size() + 1);
    }
    rewritten.copy(path, rewritten.size());
    path[rewritten.size()] = L'\0';
    return static_cast<DWORD>(rewritten.size());
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
    {"kernel32.dll", "GetDriveTypeW", reinterpret_cast<void*>(&NotedGetDriveTypeW)},
    {"kernel32.dll", "GetFinalPathNameByHandleW",
     reinterpret_cast<void*>(&NotedGetFinalPathNameByHandleW)},
};

} // namespace

std::vector<std::string> StartFileOpenAccounting(HMODULE module) {
    StopFileOpenAccounting();
    return WrapImports(module, kImports, g_wrapped);
}

void StopFileOpenAccounting() {
    UnwrapImports(kImports, g_wrapped);
    ClearFileOpenFaults();
}

std::vector<std::wstring> FileOpens() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_opens;
}

void ResetFileOpens() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_opens.clear();
}

void FailOpensBelow(const std::wstring& prefix, DWORD error) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_faults.push_back({prefix, error});
}

void ServeShare(const std::wstring& prefix, const std::wstring& folder) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_shares.push_back({prefix, folder});
}

void RewriteFinalPaths(const std::wstring& from, const std::wstring& to) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_final_paths.push_back({from, to});
}

void DelayOpensBelow(const std::wstring& prefix, DWORD ms) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_delays.push_back({prefix, ms, false});
}

void HoldOpensBelow(const std::wstring& prefix, DWORD ms) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_release == nullptr) {
        g_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ResetEvent(g_release);
    g_delays.push_back({prefix, ms, true});
}

void ReleaseHeldOpens() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_release != nullptr) {
        SetEvent(g_release);
    }
}

int HeldOpensWaiting() {
    return g_held_waiting.load();
}

void ClearFileOpenFaults() {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_release != nullptr) {
        SetEvent(g_release); // nothing stays held once the faults are lifted
    }
    g_faults.clear();
    g_delays.clear();
    g_shares.clear();
    g_final_paths.clear();
}

} // namespace sim
