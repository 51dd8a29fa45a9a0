// Finding the picture the settings name. Split in two: the interface thread plans the search (it
// asks the host), any thread runs it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frame/wallpaper_image.h"
#include "present/picture_source.h"
#include "settings/picture_path.h"

struct ReaProject;
struct ShownSettings;

// The files to try, in order, for the settings a project shows.
struct PictureSearch {
    std::vector<PictureCandidate> candidates;
    bool refuse_not_absolute = false; // the stored path is not absolute and there is no folder
    bool say_not_found = false;       // a path is named: "not found" is said when none exists
};

// Interface thread: the stored path (when absolute), then the project's folder.
PictureSearch PlanPictureSearch(ReaProject* project, const ShownSettings& shown);

struct FoundPicture {
    PictureLoad outcome = PictureLoad::missing;
    WallpaperImage image = {}; // set when loaded and not cached; the receiver's to share or free
    PictureSource source;
    std::u16string unreachable_file;
};

// Answers whether the caller holds this file, at these stamps, decoded already.
using CachedPictureQuery =
    std::function<bool(const std::u16string& file, uint64_t write_time, uint64_t size)>;

// Any thread: every file through OpenPictureFile, decoded from that handle (stamps from the
// handle) unless cached says it is held already, at a size that covers the screen or at_least.
// Touches no shared state; its lines are the calling thread's.
FoundPicture RunPictureSearch(const PictureSearch& search, PictureSize at_least,
                              const std::atomic<bool>* abandon, const CachedPictureQuery& cached);
