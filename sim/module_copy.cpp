#include "module_copy.h"

#include <windows.h>

#include "text_file.h"

namespace sim {

namespace {

std::wstring CopiesRoot() {
    wchar_t temp[MAX_PATH] = {};
    DWORD length = GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp, length) + L"murivo-modules";
}

bool ProcessRunning(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) {
        return false;
    }
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void RemoveDirectoryTree(const std::wstring& directory) {
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((directory + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                DeleteFileW((directory + L"\\" + found.cFileName).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(directory.c_str());
}

// Directories are named "<process id>-<load number>"; those of ended processes go.
void RemoveCopiesOfEndedProcesses(const std::wstring& root) {
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((root + L"\\*-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        DWORD owner = wcstoul(found.cFileName, nullptr, 10);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && owner != 0 &&
            owner != GetCurrentProcessId() && !ProcessRunning(owner)) {
            RemoveDirectoryTree(root + L"\\" + found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

std::wstring FreshModuleCopy(const std::wstring& path, std::string& error) {
    static unsigned loads = 0;
    const std::wstring root = CopiesRoot();
    if (loads == 0) {
        CreateDirectoryW(root.c_str(), nullptr);
        RemoveCopiesOfEndedProcesses(root);
    }
    ++loads;
    const std::wstring directory =
        root + L"\\" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(loads);
    size_t slash = path.find_last_of(L"\\/");
    std::wstring copy =
        directory + L"\\" + (slash == std::wstring::npos ? path : path.substr(slash + 1));
    CreateDirectoryW(directory.c_str(), nullptr);
    if (!CopyFileW(path.c_str(), copy.c_str(), FALSE)) {
        error = DisplayPath(WideToUtf8(path)) + ": cannot copy the extension for loading (error " +
                std::to_string(GetLastError()) + ")";
        return {};
    }
    return copy;
}

} // namespace sim
