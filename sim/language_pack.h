// The host's language pack: LocalizeString answers from it. A file holds "[Section]" lines and
// "English text=Translated text" lines below them; "test" names the built-in pack, which makes
// every text 40 % longer and brackets it, so untranslated and clipped texts stand out.
#pragma once

#include <string>

namespace sim {

// Loads the file (or the built-in "test" pack); false with a message in error.
bool LoadLanguagePack(const std::string& name, std::string& error);

// No pack: LocalizeString returns every text itself.
void ResetLanguagePack();

// What the built-in test pack makes of text.
std::string TestPackTranslation(const std::string& text);

// The host function.
const char* LocalizeString(const char* text, const char* section, int flags);

} // namespace sim
