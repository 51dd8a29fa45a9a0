#include "language_pack.h"

#include <cctype>
#include <cstring>
#include <map>
#include <utility>

#include "text_file.h"
#include "text_lines.h"

namespace sim {

namespace {

bool g_test_pack = false;
// (section, English) to translation; also holds the test pack's answers so the pointers handed
// out stay valid until the pack changes, as the host's do.
std::map<std::pair<std::string, std::string>, std::string> g_texts;

// The conversions of a printf format in order ("%d", "%.1f"; "%%" is none).
std::string FormatConversions(const std::string& text) {
    std::string conversions;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && std::strchr("0123456789.-+ #lhz", text[end]) != nullptr) {
            ++end;
        }
        if (end < text.size() && text[end] != '%') {
            conversions += text.substr(i, end + 1 - i) + ' ';
        }
        i = end;
    }
    return conversions;
}

} // namespace

bool LoadLanguagePack(const std::string& name, std::string& error) {
    ResetLanguagePack();
    if (name == "test") {
        g_test_pack = true;
        return true;
    }
    std::string content;
    if (!ReadTextFile(name, content)) {
        error = "cannot read language pack " + DisplayPath(name);
        return false;
    }
    std::string section;
    int line_number = 0;
    for (std::string_view line : SplitLines(content)) {
        ++line_number;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == ';') {
            continue;
        }
        if (trimmed.front() == '[' && trimmed.back() == ']') {
            section = trimmed.substr(1, trimmed.size() - 2);
            continue;
        }
        const size_t equals = trimmed.find('=');
        if (equals == std::string::npos || equals == 0 || section.empty()) {
            error = LineError(name, line_number, "expected [Section] or English=Translation");
            ResetLanguagePack();
            return false;
        }
        g_texts[{section, trimmed.substr(0, equals)}] = trimmed.substr(equals + 1);
    }
    return true;
}

void ResetLanguagePack() {
    g_test_pack = false;
    g_texts.clear();
}

std::string TestPackTranslation(const std::string& text) {
    // Padded with the text's own letters so the added width is typical of it.
    std::string letters;
    for (char c : text) {
        if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
            letters += c;
        }
    }
    const size_t added = (text.size() * 4 + 9) / 10;
    std::string padding;
    for (size_t i = 0; !letters.empty() && i + 2 < added; ++i) {
        padding += letters[i % letters.size()];
    }
    return "[" + text + padding + "]";
}

const char* LocalizeString(const char* text, const char* section, int flags) {
    if (text == nullptr || section == nullptr) {
        return text;
    }
    const std::pair<std::string, std::string> key(section, text);
    auto found = g_texts.find(key);
    if (found == g_texts.end()) {
        if (!g_test_pack) {
            return text;
        }
        found = g_texts.emplace(key, TestPackTranslation(text)).first;
    }
    if ((flags & 1) != 0 && FormatConversions(found->second) != FormatConversions(text)) {
        return text;
    }
    return found->second.c_str();
}

} // namespace sim
