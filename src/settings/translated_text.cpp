#include "settings/translated_text.h"

#include <cstdarg>
#include <cstdio>

#include "base/translation.h"
#include "settings/settings_codec.h"

namespace {

std::u16string ShownText(const std::string& translated, const char* english) {
    std::u16string text = Utf8ToUtf16(translated);
    return text.empty() ? Utf8ToUtf16(english) : text;
}

} // namespace

std::u16string TranslatedText(const char* english) {
    return ShownText(Translate(english), english);
}

std::u16string FormatTranslated(const char* english_format, ...) {
    const std::string format = TranslateFormat(english_format);
    char text[512] = {};
    va_list arguments;
    va_start(arguments, english_format);
    std::vsnprintf(text, sizeof text, format.c_str(), arguments);
    va_end(arguments);
    return ShownText(text, english_format);
}
