#include "ui/dialog_text.h"

#include <cstdio>

namespace {

std::u16string Widen(const char* text) {
    std::u16string wide;
    for (; *text != '\0'; ++text) {
        wide.push_back(static_cast<unsigned char>(*text));
    }
    return wide;
}

uint32_t Byte(uint32_t colour, int shift) {
    return (colour >> shift) & 0xFF;
}

} // namespace

std::u16string PermillePercentText(int position) {
    char text[32] = {};
    std::snprintf(text, sizeof text, "%.1f%%", position / 10.0);
    return Widen(text);
}

std::u16string FractionPercentText(double fraction) {
    char text[32] = {};
    std::snprintf(text, sizeof text, "%.1f%%", fraction * 100.0);
    return Widen(text);
}

std::u16string HexColourText(uint32_t colour) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "#%02X%02X%02X", Byte(colour, 0), Byte(colour, 8),
                  Byte(colour, 16));
    return Widen(text);
}

std::u16string TintLabelText(uint32_t colour, double amount) {
    if (amount == 0.0) {
        return FormatTranslated("#%02X%02X%02X  (off)", Byte(colour, 0), Byte(colour, 8),
                                Byte(colour, 16));
    }
    char text[64] = {};
    std::snprintf(text, sizeof text, "#%02X%02X%02X  (%.1f%%)", Byte(colour, 0), Byte(colour, 8),
                  Byte(colour, 16), amount * 100.0);
    return Widen(text);
}

std::u16string PreviewStatusWord(bool path_empty, bool picture_loaded, bool enabled) {
    if (path_empty) {
        return TranslatedText("no image");
    }
    if (!picture_loaded) {
        return TranslatedText("image unavailable");
    }
    return TranslatedText(enabled ? "live" : "wallpaper disabled");
}

std::u16string PreviewCaptionText(int width, int height, const std::u16string& status) {
    return FormatTranslated("Arrange preview (%d x %d) - ", width, height) + status;
}
