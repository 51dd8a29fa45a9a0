// The user's language: texts go through the host's LocalizeString (section "Murivo") and stay
// English where the host lacks it or has no translation.
#pragma once

#include <string>

// The translation of english as UTF-8, or english itself.
std::string Translate(const char* english);

// The same for a printf format: the host is asked for a translation whose format matches
// english's, so a wrong one cannot break the formatting.
std::string TranslateFormat(const char* english);
