// Translated texts (base/translation.h) as UTF-16, the form the windows show.
#pragma once

#include <string>

// The translation of english; english where the translation is no valid UTF-8.
std::u16string TranslatedText(const char* english);

// english_format translated (a translation with another format is not used) and filled as
// snprintf fills it.
[[gnu::format(printf, 1, 2)]] std::u16string FormatTranslated(const char* english_format, ...);
