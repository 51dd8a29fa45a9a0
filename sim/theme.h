// The host's colour theme: the bundled dark theme, optionally overlaid by a theme file, and
// changeable at run time by tests.
#pragma once

#include <optional>
#include <string>

namespace sim {

// Back to the bundled theme.
void ResetTheme();

// Overlays the key=integer lines of a theme file; "file:line: message" in error on failure.
bool LoadThemeFile(const std::string& path, std::string& error);

void SetThemeValue(const std::string& key, int value);
void RemoveThemeValue(const std::string& key);

// The value as the theme stores it, flags byte included.
std::optional<int> ThemeValue(const std::string& key);

// What the host's GetThemeColor answers: the low 24 bits, or -1 for a key the theme lacks.
int ThemeColour(const std::string& key);

// A blend key ("col_gridlines1dm", "timesel_drawmode"): mode in the low byte, alpha from
// bits 8..17 biased by 0x200 in 1/256 steps. A missing key draws opaque in mode 0.
struct BlendMode {
    int mode;
    double alpha;
};
BlendMode ThemeBlendMode(const std::string& key);

} // namespace sim
