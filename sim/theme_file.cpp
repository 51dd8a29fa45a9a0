#include "theme_file.h"

#include <cerrno>
#include <cstdlib>

#include "text_lines.h"

namespace sim {

namespace {

bool ParseThemeInteger(const std::string& text, int& value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    long long parsed = std::strtoll(text.c_str(), &end, 10);
    // Themes hold signed values, but a writer may also have stored the unsigned form.
    if (errno != 0 || *end != '\0' || parsed < -2147483648LL || parsed > 4294967295LL) {
        return false;
    }
    value = static_cast<int>(static_cast<unsigned int>(parsed));
    return true;
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

} // namespace

bool IsColourKey(std::string_view key) {
    // The MIDI editor's keys (midi_*, midioct) are all colours or draw modes.
    return key.starts_with("col_") || key.starts_with("selcol_") || key.starts_with("midi") ||
           EndsWith(key, "_color") || EndsWith(key, "drawmode");
}

bool ParseThemeText(std::string_view text, const std::string& file_name,
                    std::vector<ThemeEntry>& entries, std::string& error) {
    int line_number = 0;
    for (std::string_view raw : SplitLines(text)) {
        ++line_number;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#' || line[0] == '[') {
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            error = LineError(file_name, line_number, "expected key=value, got '" + line + "'");
            return false;
        }
        std::string key = Trim(std::string_view(line).substr(0, equals));
        std::string value_text = Trim(std::string_view(line).substr(equals + 1));
        if (key.empty()) {
            error = LineError(file_name, line_number, "missing key before '='");
            return false;
        }
        int value = 0;
        if (!ParseThemeInteger(value_text, value)) {
            if (IsColourKey(key)) {
                error = LineError(file_name, line_number,
                                  "colour key '" + key + "' needs an integer value, got '" +
                                      value_text + "'");
                return false;
            }
            continue;
        }
        entries.push_back({key, value});
    }
    return true;
}

} // namespace sim
