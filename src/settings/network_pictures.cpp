#include "settings/network_pictures.h"

#include <algorithm>
#include <string>
#include <vector>

#include "settings/global_state.h"
#include "settings/picture_path.h"
#include "settings/settings_codec.h"

namespace {

constexpr const char* kChosenKey = "network_pictures";
constexpr char kSeparator = '|'; // never part of a Windows path
constexpr size_t kMaxRemembered = 32;

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

} // namespace

bool PictureMayBeOpened(std::u16string_view path) {
    switch (ClassifyPicturePath(path)) {
    case PathKind::local:
        return true;
    case PathKind::device:
        return false;
    case PathKind::network:
        break;
    }
    std::string wanted = Utf16ToUtf8(path);
    for (const std::string& chosen : ChosenPictures()) {
        if (!wanted.empty() && chosen == wanted) {
            return true;
        }
    }
    return false;
}

void RememberChosenPicture(std::u16string_view path) {
    std::string text = Utf16ToUtf8(path);
    if (ClassifyPicturePath(path) != PathKind::network || text.empty() ||
        text.find(kSeparator) != std::string::npos || PictureMayBeOpened(path)) {
        return;
    }
    std::vector<std::string> chosen = ChosenPictures();
    chosen.push_back(text);
    // The oldest choices make room: the list stays short enough to read on every load.
    size_t first = chosen.size() > kMaxRemembered ? chosen.size() - kMaxRemembered : 0;
    std::string joined;
    for (size_t i = first; i < chosen.size(); ++i) {
        joined += (joined.empty() ? "" : std::string(1, kSeparator)) + chosen[i];
    }
    WriteGlobalValue(kChosenKey, joined);
}
