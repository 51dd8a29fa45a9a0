#include "settings/global_state.h"

#include <cstring>

#include "base/host_api.h"
#include "settings/project_storage.h"

std::string ReadGlobalValue(const std::string& key) {
    if (g_host.GetExtState == nullptr ||
        (g_host.HasExtState != nullptr && !g_host.HasExtState(kExtStateSection, key.c_str()))) {
        return {};
    }
    const char* value = g_host.GetExtState(kExtStateSection, key.c_str());
    if (value == nullptr) {
        return {};
    }
    // Copied at once: the host's text lasts only until its next call.
    size_t length = strnlen(value, kExtStateBufferSize);
    return length < static_cast<size_t>(kExtStateBufferSize) ? std::string(value, length)
                                                             : std::string();
}

bool WriteGlobalValue(const std::string& key, const std::string& value) {
    if (g_host.SetExtState == nullptr) {
        return false;
    }
    g_host.SetExtState(kExtStateSection, key.c_str(), value.c_str(), true);
    return true;
}
