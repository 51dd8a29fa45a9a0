// Where the shown picture came from: the file it was loaded from, why that file, and its
// last-write time and size when it was loaded, so a rewritten file is noticed.
#pragma once

#include <cstdint>
#include <string>

#include "settings/picture_path.h"

struct PictureSource {
    std::u16string file; // empty while no picture was loaded from a file
    PictureOrigin origin = PictureOrigin::stored_path;
    uint64_t write_time = 0;
    uint64_t size = 0;
};

extern PictureSource g_picture_source;

// One short line for the dialogs when the picture is not the stored path; empty otherwise.
std::u16string PictureSourceNote();

enum class PictureLoad {
    loaded,
    undecodable, // a file was found and failed to decode (the loader said why)
    missing,     // no candidate exists (said once, as the loader says it)
    refused,     // candidates were not opened because of what they name (one line each)
    unreachable, // no candidate found, and one's folder, drive or server could not be reached
                 // (nothing said: the caller says it once); unreachable_file names it
    abandoned,   // no longer wanted; nothing said
};
