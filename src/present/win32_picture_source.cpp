// Finding the picture file and noticing when it is rewritten. Only attribute queries here; the
// decoding is the loader's.
#include <windows.h>

#include <vector>

#include "base/debug_line.h"
#include "frame/wallpaper_image.h"
#include "present/picture_source.h"
#include "settings/default_wallpaper.h"
#include "settings/network_pictures.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"

namespace {

struct FileStamp {
    uint64_t write_time;
    uint64_t size;
};

bool QueryFile(const std::u16string& file, FileStamp& stamp) {
    return QueryPictureFile(file, stamp.write_time, stamp.size);
}

void ReportRefused(const std::u16string& file) {
    if (ClassifyPicturePath(file) == PathKind::device) {
        DebugLine("Wallpaper path names a device; not opened.\n");
    } else {
        DebugLine("Wallpaper on another computer not opened; choose it on this computer to "
                  "allow it.\n");
    }
}

std::vector<PictureCandidate> Candidates(ReaProject* project, const ShownSettings& shown) {
    const std::u16string& path = shown.settings.path;
    if (shown.from_default) {
        return {{path, PictureOrigin::default_wallpaper}};
    }
    // The folder costs a walk over the host's projects: only when the stored path is not there.
    FileStamp ignored = {};
    if (PictureMayBeOpened(path) && QueryFile(path, ignored)) {
        return {{path, PictureOrigin::stored_path}};
    }
    std::u16string relative = Utf8ToUtf16(ReadExtStateValue(project, kRelativePathKey));
    return PictureLookupOrder(path, relative, ProjectFolder(project));
}

} // namespace

bool QueryPictureFile(const std::u16string& file, uint64_t& write_time, uint64_t& size) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(reinterpret_cast<const wchar_t*>(file.c_str()), GetFileExInfoStandard,
                              &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    write_time =
        (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
    size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return true;
}

PictureLoad LoadShownPicture(ReaProject* project, const ShownSettings& shown) {
    g_picture_source = {};
    bool refused = false;
    for (const PictureCandidate& candidate : Candidates(project, shown)) {
        if (!PictureMayBeOpened(candidate.file)) {
            ReportRefused(candidate.file);
            refused = true;
            continue;
        }
        FileStamp stamp = {};
        if (!QueryFile(candidate.file, stamp)) {
            continue;
        }
        if (!LoadWallpaperImage(candidate.file)) {
            return PictureLoad::undecodable;
        }
        g_picture_source = {candidate.file, candidate.origin, stamp.write_time, stamp.size};
        return PictureLoad::loaded;
    }
    if (refused) {
        return PictureLoad::refused;
    }
    // Said as the loader says it, so a missing picture reads the same wherever it was sought.
    LoadWallpaperImage(shown.settings.path);
    return PictureLoad::missing;
}
