// Reading whole text files by UTF-8 path, and the path conversions the sandbox needs.
#pragma once

#include <string>

namespace sim {

std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

// Reads the file into text; false when it cannot be opened or read.
bool ReadTextFile(const std::string& path, std::string& text);

// How messages name a file: a path on Wine's Z: drive is shown as the Linux path it maps to.
std::string DisplayPath(const std::string& path);

} // namespace sim
