// Finding the picture file. Every file is opened through the gate (frame/picture_file.h) and a
// found one is decoded from that same handle.
#include "present/picture_search.h"

#include <windows.h>

#include <vector>

#include "frame/picture_file.h"
#include "frame/wallpaper_image.h"
#include "settings/default_wallpaper.h"
#include "settings/project_storage.h"
#include "settings/settings_codec.h"

namespace {

// What one candidate came to; loaded, undecodable and abandoned end the search.
enum class Attempt { loaded, undecodable, abandoned, missing, unreachable, refused };

Attempt TryCandidate(const PictureCandidate& candidate, PictureSize at_least,
                     const std::atomic<bool>* abandon, const CachedPictureQuery& cached,
                     FoundPicture& found) {
    if (abandon != nullptr && abandon->load(std::memory_order_relaxed)) {
        return Attempt::abandoned;
    }
    PictureFile file = OpenPictureFile(candidate.file);
    switch (file.status) {
    case PictureFileStatus::opened:
        break;
    case PictureFileStatus::missing:
        return Attempt::missing;
    case PictureFileStatus::unreachable:
        // Said once for the whole search, by whoever decides what follows.
        if (found.unreachable_file.empty()) {
            found.unreachable_file = candidate.file;
        }
        return Attempt::unreachable;
    default:
        ReportUnopenedPicture(file);
        return Attempt::refused;
    }
    const bool held = cached && cached(candidate.file, file.write_time, file.size);
    const bool loaded = held || ReadPicture(file, at_least, abandon, found.image);
    if (loaded) {
        found.source = {candidate.file, candidate.origin, file.write_time, file.size};
    }
    ClosePictureFile(file);
    if (!loaded && abandon != nullptr && abandon->load(std::memory_order_relaxed)) {
        return Attempt::abandoned;
    }
    return loaded ? Attempt::loaded : Attempt::undecodable;
}

} // namespace

PictureSearch PlanPictureSearch(ReaProject* project, const ShownSettings& shown) {
    PictureSearch search;
    const std::u16string& path = shown.settings.path;
    search.say_not_found = !path.empty();
    if (shown.from_default) {
        search.candidates.push_back({path, PictureOrigin::default_wallpaper});
        return search;
    }
    if (IsAbsolutePicturePath(path)) {
        search.candidates.push_back({path, PictureOrigin::stored_path});
    }
    const std::u16string relative = Utf8ToUtf16(ReadExtStateValue(project, kRelativePathKey));
    const std::vector<PictureCandidate> lookup =
        PictureLookupOrder(path, relative, ProjectFolder(project));
    for (const PictureCandidate& candidate : lookup) {
        if (candidate.origin != PictureOrigin::stored_path) {
            search.candidates.push_back(candidate);
        }
    }
    // No project folder to look in, and never the host's current folder or drive.
    search.refuse_not_absolute = lookup.empty() && !path.empty() && !IsAbsolutePicturePath(path);
    return search;
}

FoundPicture RunPictureSearch(const PictureSearch& search, PictureSize at_least,
                              const std::atomic<bool>* abandon, const CachedPictureQuery& cached) {
    FoundPicture found;
    bool refused = false;
    bool unreachable = false;
    for (const PictureCandidate& candidate : search.candidates) {
        switch (TryCandidate(candidate, at_least, abandon, cached, found)) {
        case Attempt::loaded:
            found.outcome = PictureLoad::loaded;
            return found;
        case Attempt::undecodable:
            found.outcome = PictureLoad::undecodable;
            return found;
        case Attempt::abandoned:
            found.outcome = PictureLoad::abandoned;
            return found;
        case Attempt::refused:
            refused = true;
            break;
        case Attempt::unreachable:
            unreachable = true;
            break;
        case Attempt::missing:
            break;
        }
    }
    if (search.refuse_not_absolute) {
        PictureFile not_absolute;
        not_absolute.status = PictureFileStatus::refused_relative;
        ReportUnopenedPicture(not_absolute);
        refused = true;
    }
    if (unreachable) {
        found.outcome = PictureLoad::unreachable;
    } else if (refused) {
        found.outcome = PictureLoad::refused;
    } else {
        found.outcome = PictureLoad::missing;
        // Said as the loader says it, so a missing picture reads the same wherever it was
        // sought; nothing is opened or asked again for it.
        if (search.say_not_found) {
            ReportWallpaperNotFound();
        }
    }
    return found;
}
