// Finding the picture file and noticing when it is rewritten. Every file is opened through the
// gate (frame/picture_file.h) and a found one is decoded from that same handle.
#include <windows.h>

#include <vector>

#include "frame/picture_file.h"
#include "frame/wallpaper_image.h"
#include "present/picture_source.h"
#include "settings/default_wallpaper.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"

namespace {

// What one candidate came to; loaded and undecodable end the search.
enum class Attempt { loaded, undecodable, missing, unreachable, refused };

Attempt TryCandidate(const PictureCandidate& candidate, std::u16string& unreachable_file) {
    PictureFile file = OpenPictureFile(candidate.file);
    switch (file.status) {
    case PictureFileStatus::opened:
        break;
    case PictureFileStatus::missing:
        return Attempt::missing;
    case PictureFileStatus::unreachable:
        // Said once for the whole search, by whoever decides what follows.
        if (unreachable_file.empty()) {
            unreachable_file = candidate.file;
        }
        return Attempt::unreachable;
    default:
        ReportUnopenedPicture(file);
        return Attempt::refused;
    }
    const bool loaded = LoadWallpaperFromFile(file, candidate.file);
    if (loaded) {
        g_picture_source = {candidate.file, candidate.origin, file.write_time, file.size};
    }
    ClosePictureFile(file);
    return loaded ? Attempt::loaded : Attempt::undecodable;
}

} // namespace

PictureLoad LoadShownPicture(ReaProject* project, const ShownSettings& shown,
                             std::u16string& unreachable_file) {
    g_picture_source = {};
    unreachable_file.clear();
    const std::u16string& path = shown.settings.path;
    bool refused = false;
    bool unreachable = false;
    // Tries one candidate; true when the search ends with it.
    auto ends = [&](const PictureCandidate& candidate, PictureLoad& outcome) {
        const Attempt attempt = TryCandidate(candidate, unreachable_file);
        refused = refused || attempt == Attempt::refused;
        unreachable = unreachable || attempt == Attempt::unreachable;
        outcome = attempt == Attempt::loaded ? PictureLoad::loaded : PictureLoad::undecodable;
        return attempt == Attempt::loaded || attempt == Attempt::undecodable;
    };
    PictureLoad outcome = PictureLoad::missing;
    if (shown.from_default) {
        if (ends({path, PictureOrigin::default_wallpaper}, outcome)) {
            return outcome;
        }
    } else {
        // The stored path first: the project's folder costs a walk over the host's projects.
        if (IsAbsolutePicturePath(path) && ends({path, PictureOrigin::stored_path}, outcome)) {
            return outcome;
        }
        const std::u16string relative = Utf8ToUtf16(ReadExtStateValue(project, kRelativePathKey));
        const std::vector<PictureCandidate> candidates =
            PictureLookupOrder(path, relative, ProjectFolder(project));
        for (const PictureCandidate& candidate : candidates) {
            if (candidate.origin != PictureOrigin::stored_path && ends(candidate, outcome)) {
                return outcome;
            }
        }
        if (candidates.empty() && !path.empty() && !IsAbsolutePicturePath(path)) {
            // No project folder to look in, and never the host's current folder or drive.
            PictureFile not_absolute;
            not_absolute.status = PictureFileStatus::refused_relative;
            ReportUnopenedPicture(not_absolute);
            refused = true;
        }
    }
    if (unreachable) {
        return PictureLoad::unreachable;
    }
    if (refused) {
        return PictureLoad::refused;
    }
    // Said as the loader says it, so a missing picture reads the same wherever it was sought;
    // nothing is opened or asked again for it.
    if (!path.empty()) {
        ReportWallpaperNotFound();
    }
    return PictureLoad::missing;
}
