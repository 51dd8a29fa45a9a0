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

// Whether file exists and is no folder, with its last-write time and size: one attribute query,
// nothing kept open.
bool QueryPictureFile(const std::u16string& file, uint64_t& write_time, uint64_t& size);

// One short line for the dialogs when the picture is not the stored path; empty otherwise.
std::u16string PictureSourceNote();

enum class PictureLoad {
    loaded,
    undecodable, // a file was found and failed to decode (the loader said why)
    missing,     // no candidate exists (said once, as the loader says it)
    refused,     // candidates were not opened because of what they name (one line each)
};

// Finds and loads the picture the settings name: the stored path, then beside the project.
// Expects nothing loaded; sets g_picture_source when a file is found.
PictureLoad LoadShownPicture(ReaProject* project, const ShownSettings& shown);

// On the settings tick: one attribute query of the shown file; when its time or size changed,
// decodes it again and, on success, replaces the picture, refits and redraws. A file that fails
// to decode or has gone keeps the picture on screen.
void ReloadPictureIfChanged();
