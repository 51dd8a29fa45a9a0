// libFuzzer target: the simulator's theme reader over arbitrary text. Every entry it keeps has
// a key, no key holds a newline, and a failure always says which line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "theme_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<sim::ThemeEntry> entries;
    std::string error;
    if (sim::ParseThemeText(text, "fuzz.ReaperTheme", entries, error)) {
        if (!error.empty()) {
            std::abort();
        }
        for (const sim::ThemeEntry& e : entries) {
            if (e.key.empty() || e.key.find('\n') != std::string::npos) {
                std::abort();
            }
        }
    } else if (error.rfind("fuzz.ReaperTheme:", 0) != 0) {
        std::abort();
    }
    return 0;
}
