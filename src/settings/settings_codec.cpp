#include "settings/settings_codec.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

int FractionToPermille(double fraction) {
    double scaled = std::round(fraction * 1000.0); // std::round rounds halves away from zero
    if (!(scaled >= -2147483648.0 && scaled <= 2147483647.0)) {
        return scaled > 0 ? 2147483647 : (scaled < 0 ? -2147483647 - 1 : 0); // NaN gives 0
    }
    return static_cast<int>(scaled);
}

std::string FormatPermille(double fraction) {
    char buffer[16] = {};
    std::snprintf(buffer, sizeof buffer, "%d", FractionToPermille(fraction));
    return buffer;
}

std::optional<double> ParsePermille(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::string copy(text); // strtol needs a terminated string
    const char* begin = copy.c_str();
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(begin, &end, 10);
    if (end == begin || *end != '\0' || errno == ERANGE) {
        return std::nullopt;
    }
    // Compared as unsigned, so every negative value is refused as well.
    if (static_cast<unsigned long>(value) > 1000UL) {
        return std::nullopt;
    }
    return static_cast<double>(value) / 1000.0;
}

std::string FormatHexColour(uint32_t colour) {
    char buffer[7] = {};
    std::snprintf(buffer, sizeof buffer, "%02X%02X%02X", colour & 0xFFu, (colour >> 8) & 0xFFu,
                  (colour >> 16) & 0xFFu);
    return buffer;
}

std::optional<uint32_t> ParseHexColour(std::string_view text) {
    if (text.size() != 6) {
        return std::nullopt;
    }
    uint32_t value = 0;
    for (char c : text) {
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    uint32_t red = (value >> 16) & 0xFFu;
    uint32_t green = (value >> 8) & 0xFFu;
    uint32_t blue = value & 0xFFu;
    return red | (green << 8) | (blue << 16);
}

namespace {

constexpr const char* kFitModeNames[] = {"cover", "contain", "stretch", "tile", "center"};
constexpr const char* kAnchorNames[] = {"top-left",    "top",    "top-right",
                                        "left",        "center", "right",
                                        "bottom-left", "bottom", "bottom-right"};

// The index of text among names, or fallback.
template <size_t N>
int IndexOf(const char* const (&names)[N], std::string_view text, int fallback) {
    for (size_t i = 0; i < N; ++i) {
        if (text == names[i]) {
            return int(i);
        }
    }
    return fallback;
}

template <size_t N> const char* NameAt(const char* const (&names)[N], int index, int fallback) {
    return names[index >= 0 && size_t(index) < N ? index : fallback];
}

} // namespace

const char* FitModeName(FitMode mode) {
    return NameAt(kFitModeNames, int(mode), int(FitMode::cover));
}

FitMode ParseFitMode(std::string_view text) {
    return FitMode(IndexOf(kFitModeNames, text, int(FitMode::cover)));
}

const char* AnchorName(Anchor anchor) {
    return NameAt(kAnchorNames, int(anchor), int(Anchor::center));
}

Anchor ParseAnchor(std::string_view text) {
    return Anchor(IndexOf(kAnchorNames, text, int(Anchor::center)));
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
        unsigned char lead = byte(i);
        uint32_t code;
        size_t length;
        uint32_t minimum;
        if (lead < 0x80) {
            code = lead;
            length = 1;
            minimum = 0;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1Fu;
            length = 2;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0Fu;
            length = 3;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07u;
            length = 4;
            minimum = 0x10000;
        } else {
            return {};
        }
        if (text.size() - i < length) {
            return {};
        }
        for (size_t k = 1; k < length; ++k) {
            unsigned char next = byte(i + k);
            if ((next & 0xC0) != 0x80) {
                return {};
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return {};
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) {
                return {};
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return {};
        }
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (code >> 18)));
            out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return out;
}
