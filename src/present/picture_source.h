// Where the shown picture came from: the file it was loaded from, why that file, and its
// last-write time and size when it was loaded, so a rewritten file is noticed.
#pragma once

#include <cstdint>
#include <string>

#include "settings/picture_path.h"

struct ReaProject;
struct ShownSettings;

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
};

// Finds and loads the picture the settings name: the stored path (when absolute), then in the
// project's folder. Every file through OpenPictureFile, decoded from that handle. Expects
// nothing loaded; sets g_picture_source, stamps from the handle, when a file is found.
PictureLoad LoadShownPicture(ReaProject* project, const ShownSettings& shown,
                             std::u16string& unreachable_file);

// On the settings tick: opens the shown file through the gate; when its time or size changed,
// decodes it from that handle and, on success, replaces the picture, refits and redraws. A file
// that fails to decode or has gone keeps the picture on screen. A picture that could not be
// reached is tried again, at growing intervals, and shown once it can be.
void ReloadPictureIfChanged();
