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

// The name Windows sees in one part of a path: up to the first dot or colon (an extension or a
// stream), without the spaces before it. "com1 .png", "NUL:x.png" and "CON :x" all name a
// device, in any folder, with any extension; "COM10.png" and "console.png" do not.
bool IsReservedDeviceName(std::u16string_view part) {
    std::u16string_view name = part.substr(0, std::min(part.find_first_of(u".:"), part.size()));
    while (!name.empty() && name.back() == u' ') {
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

// Whether any part between separators names a device. Windows itself looks at the last part
// only; a device name anywhere is refused all the same, as no picture lies below one.
bool AnyPartNamesDevice(std::u16string_view parts) {
    size_t start = 0;
    while (start <= parts.size()) {
        size_t end = std::min(parts.find_first_of(u"\\/", start), parts.size());
        if (IsReservedDeviceName(parts.substr(start, end - start))) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

bool OnlySeparators(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), IsSeparator);
}

// What follows "\\?\" or "\??\": a drive and a path below it is a file path, "UNC\" another
// computer, anything else a device: GLOBALROOT, volume names, pipes, and a drive with nothing
// below it ("\\?\C:", "\\?\C:\"), which is the volume itself.
PathKind ClassifyVerbatim(std::u16string_view rest) {
    if (rest.size() >= 4 && EqualFolded(rest.substr(0, 3), u"UNC") && IsSeparator(rest[3])) {
        return PathKind::network;
    }
    return StartsWithDrive(rest) && !OnlySeparators(rest.substr(2)) ? PathKind::local
                                                                    : PathKind::device;
}

bool IsPrefix(std::u16string_view path, char16_t middle) {
    return path.size() >= 4 && IsSeparator(path[0]) && path[2] == middle && IsSeparator(path[3]);
}

bool IsNtPrefix(std::u16string_view path) {
    return path.size() >= 4 && IsSeparator(path[0]) && path[1] == u'?' && path[2] == u'?' &&
           IsSeparator(path[3]);
}

} // namespace

PathKind ClassifyPicturePath(std::u16string_view path) {
    // The system reads a path only up to a zero: what it would open is not what is checked.
    if (path.find(u'\0') != std::u16string_view::npos) {
        return PathKind::device;
    }
    PathKind kind = PathKind::local;
    std::u16string_view parts = path; // what follows the prefix and drive
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        if (IsPrefix(path, u'.')) {
            return PathKind::device;
        }
        if (IsPrefix(path, u'?')) {
            kind = ClassifyVerbatim(path.substr(4));
            parts = path.substr(4);
        } else {
            kind = PathKind::network;
            parts = path.substr(2);
        }
    } else if (IsNtPrefix(path)) {
        kind = ClassifyVerbatim(path.substr(4));
        parts = path.substr(4);
    }
    if (kind == PathKind::device) {
        return kind;
    }
    // A drive in front counts as no part: "C:NUL" and "C:COM1:x" name the device.
    if (parts.size() >= 2 && IsDriveLetter(parts[0]) && parts[1] == u':') {
        parts.remove_prefix(2);
    }
    return AnyPartNamesDevice(parts) ? PathKind::device : kind;
}

bool IsAbsolutePicturePath(std::u16string_view path) {
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        return true;
    }
    return IsNtPrefix(path) || (StartsWithDrive(path) && path.size() > 2);
}

std::u16string WithoutVerbatimPrefix(std::u16string_view path) {
    if (!IsPrefix(path, u'?') && !IsNtPrefix(path)) {
        return std::u16string(path);
    }
    std::u16string_view rest = path.substr(4);
    if (rest.size() >= 4 && EqualFolded(rest.substr(0, 3), u"UNC") && IsSeparator(rest[3])) {
        return u"\\\\" + std::u16string(rest.substr(4));
    }
    return std::u16string(rest);
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
    if (IsAbsolutePicturePath(path)) {
        add(std::u16string(path), PictureOrigin::stored_path);
    } else {
        // Never against the host's current folder or drive: only against the project's.
        add(JoinBelowFolder(project_folder, path), PictureOrigin::beside_project);
    }
    add(JoinBelowFolder(project_folder, relative_path), PictureOrigin::beside_project);
    if (!path.empty()) {
        add(JoinBelowFolder(project_folder, FileNameOf(path)), PictureOrigin::beside_project);
    }
    return order;
}
