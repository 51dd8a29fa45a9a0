// The key=integer lines of a .ReaperTheme file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct ThemeEntry {
    std::string key;
    int value;
};

// Section headers, comments, blank lines and non-integer values of keys that are not colours
// are skipped. A line without '=' or a colour key without an integer value fails with
// "file:line: message" in error.
bool ParseThemeText(std::string_view text, const std::string& file_name,
                    std::vector<ThemeEntry>& entries, std::string& error);

// Whether a key holds a colour or a blend mode, so its value must be an integer.
bool IsColourKey(std::string_view key);

} // namespace sim
