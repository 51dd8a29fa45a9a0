#include "base/translation.h"

#include "base/host_api.h"

namespace {

constexpr int kMatchingFormatOnly = 1;

std::string Localize(const char* english, int flags) {
    const char* translated = g_host.LocalizeString != nullptr
                                 ? g_host.LocalizeString(english, "Murivo", flags)
                                 : nullptr;
    return translated != nullptr && *translated != '\0' ? translated : english;
}

} // namespace

std::string Translate(const char* english) {
    return Localize(english, 0);
}

std::string TranslateFormat(const char* english) {
    return Localize(english, kMatchingFormatOnly);
}
