#include "frame/picture_file.h"

#include <string_view>

#include "base/debug_line.h"
#include "settings/network_pictures.h"
#include "settings/picture_path.h"

namespace {

const wchar_t* Wide(const std::u16string& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool IsSeparator(char16_t c) {
    return c == u'\\' || c == u'/';
}

// The root of the volume or share path lies on: "C:\", "\\?\C:\", "\\server\share\",
// "\\?\UNC\server\share\"; empty for anything else.
std::u16string RootOf(const std::u16string& path) {
    size_t start = 0;
    std::u16string_view view = path;
    if (view.size() >= 4 && IsSeparator(view[0]) && (view[1] == u'?' || IsSeparator(view[1])) &&
        view[2] == u'?' && IsSeparator(view[3])) {
        start = 4;
    }
    std::u16string_view rest = view.substr(start);
    if (rest.size() >= 3 && rest[1] == u':' && IsSeparator(rest[2])) {
        return path.substr(0, start + 3);
    }
    // A share: two more parts after "\\" (or "\\?\UNC\").
    size_t parts_from = 0;
    if (start == 0 && view.size() >= 2 && IsSeparator(view[0]) && IsSeparator(view[1])) {
        parts_from = 2;
    } else if (start == 4 && rest.size() >= 4 && IsSeparator(rest[3])) {
        parts_from = 8;
    } else {
        return {};
    }
    size_t server_end = view.find_first_of(u"\\/", parts_from);
    if (server_end == std::u16string_view::npos) {
        return {};
    }
    size_t share_end = view.find_first_of(u"\\/", server_end + 1);
    if (share_end == std::u16string_view::npos) {
        return {};
    }
    return path.substr(0, share_end + 1);
}

// Whether an open that failed with error failed because the file's volume, share or server
// cannot be reached, rather than because the file is not there. A folder that is not found
// counts so only while the root of its drive or share cannot be reached either (a drive that
// is unplugged answers "path not found"; a folder deleted from a present drive is missing).
bool IsUnreachable(const std::u16string& path, DWORD error) {
    switch (error) {
    case ERROR_NOT_READY:
    case ERROR_INVALID_DRIVE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_NET_RESP:
    case ERROR_NETWORK_BUSY:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_PORT_UNREACHABLE:
    case ERROR_NO_NETWORK:
    case ERROR_NO_NET_OR_BAD_PATH:
    case ERROR_REM_NOT_LIST:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_CONNECTION_REFUSED:
    case ERROR_CONNECTION_ABORTED:
    case ERROR_NOT_CONNECTED:
    case ERROR_SEM_TIMEOUT:
    case ERROR_LOGON_FAILURE:
        return true;
    case ERROR_PATH_NOT_FOUND: {
        const std::u16string root = RootOf(path);
        if (root.empty()) {
            return false;
        }
        const DWORD attributes = GetFileAttributesW(Wide(root));
        return attributes == INVALID_FILE_ATTRIBUTES ||
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }
    default:
        return false;
    }
}

// The file's own path as the system resolved it ("\\?\C:\..." or "\\?\UNC\server\share\..."),
// links followed; empty when it cannot say. guid_only is set when only the volume's name could
// be had, which no share has.
std::u16string FinalPathOf(HANDLE handle, bool& guid_only) {
    guid_only = false;
    for (DWORD flags : {DWORD(FILE_NAME_NORMALIZED | VOLUME_NAME_DOS),
                        DWORD(FILE_NAME_OPENED | VOLUME_NAME_DOS), DWORD(VOLUME_NAME_GUID)}) {
        std::u16string text(MAX_PATH, u'\0');
        DWORD length = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            length = GetFinalPathNameByHandleW(handle, reinterpret_cast<wchar_t*>(text.data()),
                                               static_cast<DWORD>(text.size()), flags);
            if (length < text.size()) {
                break;
            }
            text.resize(length + 1u); // the size needed, terminator included
        }
        if (length > 0 && length < text.size()) {
            text.resize(length);
            guid_only = (flags & VOLUME_NAME_GUID) != 0;
            return text;
        }
    }
    return {};
}

bool OnMappedNetworkDrive(const std::u16string& path) {
    const std::u16string root = RootOf(path);
    return root.size() >= 3 && root[root.size() - 2] == u':' &&
           GetDriveTypeW(Wide(root)) == DRIVE_REMOTE;
}

// What the open really reached: a file on disk, not a folder, lying where path may lead.
PictureFileStatus Inspect(HANDLE handle, const std::u16string& path, PictureFile& file) {
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        return PictureFileStatus::refused_not_a_file;
    }
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle, &info)) {
        file.error = GetLastError();
        return PictureFileStatus::missing;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return PictureFileStatus::missing;
    }
    file.write_time =
        (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
    file.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;

    const bool chosen_remote = ClassifyPicturePath(path) == PathKind::network;
    bool guid_only = false;
    const std::u16string final_path = FinalPathOf(handle, guid_only);
    if (final_path.empty()) {
        // A path on another computer that the user chose is read even where the server will
        // not name the file; anything else must show where it lies.
        return chosen_remote ? PictureFileStatus::opened : PictureFileStatus::refused_unplaced;
    }
    if (guid_only) {
        return PictureFileStatus::opened; // a local volume without a drive letter
    }
    const std::u16string where = WithoutVerbatimPrefix(final_path);
    switch (ClassifyPicturePath(where)) {
    case PathKind::local:
        return PictureFileStatus::opened;
    case PathKind::device:
        return PictureFileStatus::refused_not_a_file;
    case PathKind::network:
        break;
    }
    // A link to another computer is a network picture: read only when the user chose it here
    // (as the path itself or where it leads), or when the path's drive is one mapped to a share.
    if (chosen_remote || PictureMayBeOpened(where) || OnMappedNetworkDrive(path)) {
        return PictureFileStatus::opened;
    }
    return PictureFileStatus::refused_link;
}

} // namespace

PictureFile OpenPictureFile(const std::u16string& path) {
    PictureFile file;
    if (path.empty()) {
        return file;
    }
    switch (ClassifyPicturePath(path)) {
    case PathKind::device:
        file.status = PictureFileStatus::refused_device;
        return file;
    case PathKind::network:
        if (!PictureMayBeOpened(path)) {
            file.status = PictureFileStatus::refused_network;
            return file;
        }
        break;
    case PathKind::local:
        break;
    }
    if (!IsAbsolutePicturePath(path)) {
        file.status = PictureFileStatus::refused_relative;
        return file;
    }
    // Shared for writing and deleting so an editor can save over the file meanwhile; a pipe
    // server reached by surprise gets no identity to act on.
    HANDLE handle = CreateFileW(
        Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | SECURITY_SQOS_PRESENT | SECURITY_ANONYMOUS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        file.error = GetLastError();
        file.status = IsUnreachable(path, file.error) ? PictureFileStatus::unreachable
                                                      : PictureFileStatus::missing;
        return file;
    }
    file.status = Inspect(handle, path, file);
    if (file.status == PictureFileStatus::opened) {
        file.handle = handle;
    } else {
        CloseHandle(handle);
        file.write_time = 0;
        file.size = 0;
    }
    return file;
}

void ClosePictureFile(PictureFile& file) {
    if (file.handle != INVALID_HANDLE_VALUE) {
        CloseHandle(file.handle);
        file.handle = INVALID_HANDLE_VALUE;
    }
}

void ReportUnopenedPicture(const PictureFile& file) {
    switch (file.status) {
    case PictureFileStatus::opened:
        break;
    case PictureFileStatus::missing:
        DebugLine("Wallpaper file not found.\n");
        break;
    case PictureFileStatus::unreachable:
        DebugLine(kPictureUnreachableLine);
        break;
    case PictureFileStatus::refused_device:
        DebugLine("Wallpaper path names a device; not opened.\n");
        break;
    case PictureFileStatus::refused_network:
        DebugLine("Wallpaper on another computer not opened; choose it on this computer to "
                  "allow it.\n");
        break;
    case PictureFileStatus::refused_relative:
        DebugLine("Wallpaper path is not absolute; looked for in the project's folder only.\n");
        break;
    case PictureFileStatus::refused_not_a_file:
        DebugLine("Wallpaper path leads to a device, not a file; not read.\n");
        break;
    case PictureFileStatus::refused_link:
        DebugLine("Wallpaper file lies on another computer; not read. Choose it on this computer "
                  "to allow it.\n");
        break;
    case PictureFileStatus::refused_unplaced:
        DebugLine("Wallpaper file's location cannot be told; not read.\n");
        break;
    }
}
