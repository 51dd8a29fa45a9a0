// The one way a picture file is opened on a project's behalf (the wallpaper, its reload checks,
// the settings dialog's preview): the path's text is checked first, the file is opened once for
// reading, and what was really opened is checked before anyone reads it. The decoder reads
// from the handle, so no second open by name can reach something else.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

enum class PictureFileStatus {
    opened,             // handle is a file on disk, open for reading; stamps set
    missing,            // no such file, or a folder, where its folder can be reached
    unreachable,        // its folder, drive or server cannot be reached now
    refused_device,     // the text names a device (ClassifyPicturePath); nothing opened
    refused_network,    // the text names another computer not chosen here; nothing opened
    refused_relative,   // not absolute (IsAbsolutePicturePath); nothing opened
    refused_not_a_file, // what opened is a device or pipe, not a file on disk; closed again
    refused_link,       // the file lies on another computer not chosen here; closed again
    refused_unplaced,   // where the file lies could not be told; closed again
};

struct PictureFile {
    PictureFileStatus status = PictureFileStatus::missing;
    HANDLE handle = INVALID_HANDLE_VALUE; // open exactly while status is opened
    uint64_t write_time = 0;              // from the handle
    uint64_t size = 0;
    uint32_t error = 0; // the open's error when missing or unreachable
};

// Opens path through every check; the caller closes what opened (ClosePictureFile). An empty
// path is missing, with nothing opened.
PictureFile OpenPictureFile(const std::u16string& path);

// Closes the handle when open; safe on every status.
void ClosePictureFile(PictureFile& file);

// The one diagnostic line of a file that was not opened (e.g. "Wallpaper file not found.").
void ReportUnopenedPicture(const PictureFile& file);

// Said when a picture cannot be reached for now.
inline constexpr const char* kPictureUnreachableLine =
    "Wallpaper cannot be reached now; the project is kept as it is and the picture shown once "
    "it can be.\n";
