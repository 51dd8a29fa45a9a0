// Decoding the first frame of a picture file through WIC into a 32-bit top-down DIB section
// (blue, green, red, alpha, not premultiplied) at a size its caller chooses from the picture's
// own, read from a file the caller opened. The caller words its own diagnostics from what the
// decode reports.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

// 8192 x 8192: about 256 MiB of pixels. The limit is on the area, so one side may be longer.
inline constexpr uint64_t kMaxPicturePixels = 67'108'864;

struct PictureSize {
    int width;
    int height;
};

// How a picture larger than the size asked for is brought down to it.
enum class PictureReduction {
    area_average, // read in strips and area-averaged: no full-size copy is ever held
    wic_fant,     // WIC's own scaler, before the pixel conversion
};

struct PictureRequest {
    // Open for reading through OpenPictureFile (frame/picture_file.h): the decoder reads from
    // it and opens nothing by name. It stays the caller's, open until the decode returns.
    HANDLE file;
    bool metadata_on_load; // WIC reads the metadata while opening rather than when asked
    PictureReduction reduction;
    // The size to deliver for a picture of its own size: at most that size in either side.
    std::function<PictureSize(int own_width, int own_height)> size_for;
    // Set by another thread when the picture is no longer wanted: a reduction stops at its next
    // strip. Null: read to the end.
    const std::atomic<bool>* abandon = nullptr;
};

enum class DecodeStatus {
    decoded,
    call_failed,   // a COM or WIC call answered a failure: step and hresult say which
    bad_size,      // no size, or more than kMaxPicturePixels
    out_of_memory, // the DIB section or a strip buffer
    abandoned      // the request's abandon flag was set; nothing is kept
};

struct DecodedPicture {
    DecodeStatus status;
    const char* step; // "CoInitializeEx", "WIC factory", "WIC decoder", "WIC frame", "WIC scaler",
                      // "WIC converter", "WIC pixel conversion" or "WIC CopyPixels"
    uint32_t hresult;
    HBITMAP bitmap;   // the caller's once decoded; null otherwise
    uint32_t* pixels; // the bitmap's memory, rows without gaps
    PictureSize size; // the bitmap's
    PictureSize own;  // the picture's, once known
};

// Everything from the apartment to the pixels. Every COM object is released and the apartment
// left again before it returns, on every path.
DecodedPicture DecodePicture(const PictureRequest& request);
