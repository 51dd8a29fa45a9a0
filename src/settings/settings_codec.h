// Text forms of the stored settings values and the strict UTF-8 / UTF-16 conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/project_settings.h"

// A fraction 0..1 as an integer permille, rounded half away from zero.
int FractionToPermille(double fraction);

// "%d" of the permille value, for a 16-character buffer.
std::string FormatPermille(double fraction);

// Accepts a signed decimal integer that fills the whole text (leading white space and one sign
// allowed) and lies within 0..1000; gives the fraction, or nothing for any other text.
std::optional<double> ParsePermille(std::string_view text);

// Upper-case "RRGGBB" of a 0x00BBGGRR colour.
std::string FormatHexColour(uint32_t colour);

// Exactly six hex digits, red first; gives 0x00BBGGRR, or nothing.
std::optional<uint32_t> ParseHexColour(std::string_view text);

const char* FitModeName(FitMode mode);
// "contain", "stretch", "tile" and "center" exactly; everything else is cover.
FitMode ParseFitMode(std::string_view text);

const char* AnchorName(Anchor anchor);
// One of the nine names ("top-left" ... "bottom-right") exactly; everything else is center.
Anchor ParseAnchor(std::string_view text);

// Strict conversions: invalid input (bad sequences, unpaired surrogates, overlong forms, code
// points above U+10FFFF) gives an empty string.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
