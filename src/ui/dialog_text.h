// The texts the dialogs show for their values.
#pragma once

#include <cstdint>
#include <string>

#include "settings/translated_text.h"
#include "ui/maker_address.h"

inline constexpr char16_t kMakerWebAddress[] = u"" MURIVO_MAKER_WEB_ADDRESS;

// A 0..1000 slider position as a percentage with one decimal: 350 gives "35.0%".
std::u16string PermillePercentText(int position);

// A 0..1 fraction as a percentage with one decimal: 0.4 gives "40.0%".
std::u16string FractionPercentText(double fraction);

// "#RRGGBB" of a 0x00BBGGRR colour.
std::u16string HexColourText(uint32_t colour);

// "#60A0FF  (off)" for amount 0, else "#60A0FF  (40.0%)".
std::u16string TintLabelText(uint32_t colour, double amount);

// "no image", "image unavailable", "wallpaper disabled" or "live", translated.
std::u16string PreviewStatusWord(bool path_empty, bool picture_loaded, bool enabled);

// "Arrange preview (W x H) - status", translated.
std::u16string PreviewCaptionText(int width, int height, const std::u16string& status);
