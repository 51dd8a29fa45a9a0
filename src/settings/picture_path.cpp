#include "settings/picture_path.h"

#include <algorithm>
#include <array>

namespace {

constexpr size_t kMaxPathChars = 32767; // the longest path Windows accepts

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

char16_t FoldAscii(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        bool both_separators = IsSeparator(a[i]) && IsSeparator(b[i]);
        if (!both_separators && FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsDriveLetter(char16_t c) {
    c = FoldAscii(c);
    return c >= u'A' && c <= u'Z';
}

// "X:" alone or followed by a separator.
bool StartsWithDrive(std::u16string_view text) {
    return text.size() >= 2 && IsDriveLetter(text[0]) && text[1] == u':' &&
           (text.size() == 2 || IsSeparator(text[2]));
}

// Windows maps these names to devices in any folder, with any extension ("C:\x\COM1.png").
bool IsReservedDeviceName(std::u16string_view name) {
    name = name.substr(0, std::min(name.find(u'.'), name.size()));
    while (!name.empty() && (name.back() == u' ' || name.back() == u':')) {
        name.remove_suffix(1);
    }
    static constexpr std::array<std::u16string_view, 6> kNames = {u"CON", u"PRN",    u"AUX",
                                                                  u"NUL", u"CONIN$", u"CONOUT$"};
    for (std::u16string_view reserved : kNames) {
        if (EqualFolded(name, reserved)) {
            return true;
        }
    }
    if (name.size() != 4) {
        return false;
    }
    bool port = EqualFolded(name.substr(0, 3), u"COM") || EqualFolded(name.substr(0, 3), u"LPT");
    char16_t digit = name[3];
    return port && ((digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
                    digit == u'\u00B3');
}

// What follows "\\?\" or "\??\": a drive is a file path, "UNC\" another computer, anything
// else (GLOBALROOT, volume names, pipes) a device.
PathKind ClassifyVerbatim(std::u16string_view rest) {
    if (rest.size() >= 4 && EqualFolded(rest.substr(0, 3), u"UNC") && IsSeparator(rest[3])) {
        return PathKind::network;
    }
    return StartsWithDrive(rest) ? PathKind::local : PathKind::device;
}

bool IsPrefix(std::u16string_view path, char16_t middle) {
    return path.size() >= 4 && IsSeparator(path[0]) && path[2] == middle && IsSeparator(path[3]);
}

} // namespace

PathKind ClassifyPicturePath(std::u16string_view path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        if (IsPrefix(path, u'.')) {
            return PathKind::device;
        }
        if (IsPrefix(path, u'?')) {
            return ClassifyVerbatim(path.substr(4));
        }
        return PathKind::network;
    }
    if (path.size() >= 4 && IsSeparator(path[0]) && path[1] == u'?' && path[2] == u'?' &&
        IsSeparator(path[3])) {
        return ClassifyVerbatim(path.substr(4));
    }
    // The last part counts with a trailing colon ("COM1:") but without a leading drive ("C:NUL").
    std::u16string_view last = path.substr(std::min(path.find_last_of(u"\\/") + 1, path.size()));
    if (last.size() >= 2 && IsDriveLetter(last[0]) && last[1] == u':') {
        last.remove_prefix(2);
    }
    return IsReservedDeviceName(last) ? PathKind::device : PathKind::local;
}

std::u16string FolderOf(std::u16string_view file) {
    size_t last = file.find_last_of(u"\\/");
    if (last == std::u16string_view::npos) {
        return {};
    }
    return std::u16string(file.substr(0, last));
}

std::optional<std::u16string> RelativeToFolder(std::u16string_view folder,
                                               std::u16string_view path) {
    while (!folder.empty() && IsSeparator(folder.back())) {
        folder.remove_suffix(1);
    }
    if (folder.empty() || path.size() <= folder.size() + 1 ||
        !EqualFolded(path.substr(0, folder.size()), folder) || !IsSeparator(path[folder.size()])) {
        return std::nullopt;
    }
    std::u16string relative(path.substr(folder.size() + 1));
    std::replace(relative.begin(), relative.end(), u'/', u'\\');
    if (JoinBelowFolder(folder, relative).empty()) {
        return std::nullopt; // "..", streams or doubled separators: not plainly below
    }
    return relative;
}

std::u16string JoinBelowFolder(std::u16string_view folder, std::u16string_view relative) {
    if (folder.empty() || relative.empty() || folder.size() + relative.size() >= kMaxPathChars ||
        relative.find(u':') != std::u16string_view::npos) {
        return {};
    }
    size_t start = 0;
    while (start <= relative.size()) {
        size_t end = std::min(relative.find_first_of(u"\\/", start), relative.size());
        std::u16string_view part = relative.substr(start, end - start);
        if (part.empty() || part == u"..") {
            return {};
        }
        start = end + 1;
    }
    std::u16string joined(folder);
    if (!IsSeparator(joined.back())) {
        joined += u'\\';
    }
    joined += relative;
    return joined;
}

std::u16string FileNameOf(std::u16string_view path) {
    size_t last = path.find_last_of(u"\\/:");
    return std::u16string(last == std::u16string_view::npos ? path : path.substr(last + 1));
}

std::vector<PictureCandidate> PictureLookupOrder(std::u16string_view path,
                                                 std::u16string_view relative_path,
                                                 std::u16string_view project_folder) {
    std::vector<PictureCandidate> order;
    auto add = [&order](std::u16string file, PictureOrigin origin) {
        if (file.empty()) {
            return;
        }
        for (const PictureCandidate& known : order) {
            if (EqualFolded(known.file, file)) {
                return;
            }
        }
        order.push_back({std::move(file), origin});
    };
    add(std::u16string(path), PictureOrigin::stored_path);
    add(JoinBelowFolder(project_folder, relative_path), PictureOrigin::beside_project);
    if (!path.empty()) {
        add(JoinBelowFolder(project_folder, FileNameOf(path)), PictureOrigin::beside_project);
    }
    return order;
}
