#include "text_file.h"

#include <windows.h>

#include <cstdio>

namespace sim {

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    int size = static_cast<int>(text.size());
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

bool ReadTextFile(const std::string& path, std::string& text) {
    FILE* file = _wfopen(Utf8ToWide(path).c_str(), L"rb");
    if (file == nullptr) {
        return false;
    }
    text.clear();
    char chunk[4096];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        text.append(chunk, count);
    }
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

std::string DisplayPath(const std::string& path) {
    if (path.size() < 3 || (path[0] != 'Z' && path[0] != 'z') || path[1] != ':' ||
        (path[2] != '\\' && path[2] != '/')) {
        return path;
    }
    std::string unix_path = path.substr(2);
    for (char& c : unix_path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return unix_path;
}

} // namespace sim
