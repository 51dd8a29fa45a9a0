#include "settings/network_pictures.h"

#include <algorithm>
#include <string>
#include <vector>

#include "settings/global_state.h"
#include "settings/picture_path.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"

namespace {

constexpr const char* kChosenKey = "network_pictures";
constexpr char kSeparator = '|'; // never part of a Windows path
constexpr size_t kMaxRemembered = 32;
// A longer value reads back as nothing (ReadGlobalValue): a list grown past it would forget
// every choice at once.
constexpr size_t kMaxListBytes = kExtStateBufferSize - 1;

bool IsPathSeparator(char c) {
    return c == '\\' || c == '/';
}

char FoldAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Byte by byte over UTF-8: only ASCII letters fold, so no locale decides what matches.
bool SamePath(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        bool both_separators = IsPathSeparator(a[i]) && IsPathSeparator(b[i]);
        if (!both_separators && FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Only other computers' paths need remembering. No Windows path holds a control character: a
// NUL would store a shorter path than the one chosen, and a line break does not survive the
// host's state file.
bool Rememberable(std::u16string_view path, std::string_view text) {
    return ClassifyPicturePath(path) == PathKind::network && !text.empty() &&
           text.size() <= kMaxListBytes && std::none_of(text.begin(), text.end(), [](char c) {
               return static_cast<unsigned char>(c) < 0x20 || c == kSeparator;
           });
}

std::vector<std::string> ChosenPictures() {
    std::vector<std::string> chosen;
    std::string text = ReadGlobalValue(kChosenKey);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = std::min(text.find(kSeparator, start), text.size());
        if (end > start) {
            chosen.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return chosen;
}

bool IsRemembered(const std::vector<std::string>& chosen, std::string_view text) {
    return std::any_of(chosen.begin(), chosen.end(),
                       [text](const std::string& known) { return SamePath(known, text); });
}

} // namespace

bool PictureMayBeOpened(std::u16string_view path) {
    // Files here open; any kind but a network path (devices, whatever else the rules refuse)
    // never does.
    const PathKind kind = ClassifyPicturePath(path);
    if (kind != PathKind::network) {
        return kind == PathKind::local;
    }
    std::string wanted = Utf16ToUtf8(path);
    return !wanted.empty() && IsRemembered(ChosenPictures(), wanted);
}

bool RememberChosenPicture(std::u16string_view path) {
    std::string text = Utf16ToUtf8(path);
    if (!Rememberable(path, text) || PictureMayBeOpened(path)) {
        return false;
    }
    // Newest first; the oldest choices make room, so the list stays short enough to read on
    // every load and always readable. A hand-edited list loses its duplicates and what it
    // should not hold.
    std::vector<std::string> stored = ChosenPictures();
    std::vector<std::string> kept = {text};
    size_t bytes = text.size();
    for (auto it = stored.rbegin(); it != stored.rend() && kept.size() < kMaxRemembered; ++it) {
        if (!Rememberable(Utf8ToUtf16(*it), *it) || IsRemembered(kept, *it)) {
            continue;
        }
        if (bytes + 1 + it->size() > kMaxListBytes) {
            break;
        }
        bytes += 1 + it->size();
        kept.push_back(*it);
    }
    std::string joined;
    joined.reserve(bytes);
    for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
        if (!joined.empty()) {
            joined += kSeparator;
        }
        joined += *it;
    }
    return WriteGlobalValue(kChosenKey, joined);
}
