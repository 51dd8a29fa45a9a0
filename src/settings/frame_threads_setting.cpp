#include "settings/frame_threads_setting.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/debug_line.h"
#include "base/row_workers.h"
#include "settings/global_state.h"

namespace {

constexpr const char* kEnvironmentName = "MURIVO_THREADS";

std::optional<int> ExactSetting(std::string_view text) {
    if (text == "auto") {
        return kAutomaticFrameThreads;
    }
    if (text == "1" || text == "2" || text == "4") {
        return text[0] - '0';
    }
    return std::nullopt;
}

// Read once per process, as the processor path is.
std::optional<int> EnvironmentSetting() {
    const char* value = std::getenv(kEnvironmentName);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    const std::string text = std::string(value).substr(0, 32);
    std::optional<int> setting = ExactSetting(text);
    if (!setting) {
        DebugLinef("%s=%s names no thread count (auto, 1, 2, 4); ignored.", kEnvironmentName,
                   text.c_str());
    }
    return setting;
}

} // namespace

int ParseFrameThreads(std::string_view text) {
    return ExactSetting(text).value_or(kAutomaticFrameThreads);
}

const char* FrameThreadsText(int setting) {
    switch (setting) {
    case 1:
        return "1";
    case 2:
        return "2";
    case 4:
        return "4";
    default:
        return "auto";
    }
}

int StoredFrameThreads() {
    return ParseFrameThreads(ReadGlobalValue(kFrameThreadsKey));
}

bool StoreFrameThreads(int setting) {
    return WriteGlobalValue(kFrameThreadsKey, FrameThreadsText(setting));
}

int FrameThreadsSetting() {
    static const std::optional<int> overridden = EnvironmentSetting();
    return overridden ? *overridden : StoredFrameThreads();
}

int FrameThreadsInUse(int setting, int cores, bool recording) {
    if (setting == 1 || setting == 2 || setting == 4) {
        return setting;
    }
    return recording ? 1 : std::clamp(cores - 1, 1, kMaxRowThreads);
}
