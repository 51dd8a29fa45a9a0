#include "theme.h"

#include <map>
#include <vector>

#include "bundled_files.h"
#include "text_file.h"
#include "theme_file.h"

namespace sim {

namespace {

std::map<std::string, int> g_values;

void Apply(const std::vector<ThemeEntry>& entries) {
    for (const ThemeEntry& entry : entries) {
        g_values[entry.key] = entry.value;
    }
}

} // namespace

void ResetTheme() {
    g_values.clear();
    std::vector<ThemeEntry> entries;
    std::string error;
    // The bundled theme is checked by a test; a failure here would be a build mistake.
    ParseThemeText(kBundledThemeText, "default.ReaperTheme", entries, error);
    Apply(entries);
}

bool LoadThemeFile(const std::string& path, std::string& error) {
    std::string text;
    if (!ReadTextFile(path, text)) {
        error = DisplayPath(path) + ": cannot read theme file";
        return false;
    }
    std::vector<ThemeEntry> entries;
    if (!ParseThemeText(text, path, entries, error)) {
        return false;
    }
    Apply(entries);
    return true;
}

void SetThemeValue(const std::string& key, int value) {
    g_values[key] = value;
}

void RemoveThemeValue(const std::string& key) {
    g_values.erase(key);
}

std::optional<int> ThemeValue(const std::string& key) {
    auto found = g_values.find(key);
    if (found == g_values.end()) {
        return std::nullopt;
    }
    return found->second;
}

int ThemeColour(const std::string& key) {
    std::optional<int> value = ThemeValue(key);
    return value ? (*value & 0xFFFFFF) : -1;
}

BlendMode ThemeBlendMode(const std::string& key) {
    std::optional<int> value = ThemeValue(key);
    if (!value) {
        return {0, 1.0};
    }
    unsigned int bits = static_cast<unsigned int>(*value);
    double alpha = (static_cast<int>((bits >> 8) & 0x3FF) - 0x200) / 256.0;
    alpha = alpha < 0.0 ? 0.0 : (alpha > 1.0 ? 1.0 : alpha);
    return {static_cast<int>(bits & 0xFF), alpha};
}

} // namespace sim
