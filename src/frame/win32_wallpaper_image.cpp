// The wallpaper in its memory DC: decoded into a DIB section, reduced on the way when it is
// larger than it can ever be shown, and read again larger when a view needs it.
#include "frame/wallpaper_image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "base/debug_line.h"
#include "frame/memory_bitmap.h"
#include "frame/picture_decoder.h"
#include "frame/picture_file.h"

WallpaperImage g_wallpaper = {};

namespace {

// The size a width x height picture is kept at: in its own proportions, just large enough to
// cover a view of the whole virtual screen (or of at_least), never larger than the picture.
// Every fit mode then places it for any view up to that size at no more than this size.
PictureSize StoredSizeFor(int width, int height, PictureSize at_least) {
    const int screen_width = std::max(GetSystemMetrics(SM_CXVIRTUALSCREEN), at_least.width);
    const int screen_height = std::max(GetSystemMetrics(SM_CYVIRTUALSCREEN), at_least.height);
    if (screen_width <= 0 || screen_height <= 0) {
        return {width, height}; // no screen to measure: the picture stays whole
    }
    const double scale = std::max(static_cast<double>(screen_width) / width,
                                  static_cast<double>(screen_height) / height);
    if (scale >= 1.0) {
        return {width, height};
    }
    return {std::clamp(static_cast<int>(std::ceil(width * scale)), 1, width),
            std::clamp(static_cast<int>(std::ceil(height * scale)), 1, height)};
}

void ReportDecodeFailure(const DecodedPicture& decoded) {
    switch (decoded.status) {
    case DecodeStatus::call_failed:
        ReportHresultFailure(decoded.step, decoded.hresult);
        break;
    case DecodeStatus::bad_size:
        DebugLine("Wallpaper dimensions are invalid or too large.\n");
        break;
    case DecodeStatus::out_of_memory:
        DebugLine("Unable to allocate wallpaper bitmap.\n");
        break;
    case DecodeStatus::decoded:
        break;
    }
}

// The decoded bitmap into its memory DC and image; the bitmap ends up there or deleted.
bool StorePicture(const DecodedPicture& decoded, WallpaperImage& image) {
    MemoryBitmap made;
    made.bitmap = decoded.bitmap;
    switch (SelectIntoMemoryDc(nullptr, made)) {
    case MemoryBitmapStep::done:
        break;
    case MemoryBitmapStep::dc:
        DebugLine("Unable to create wallpaper DC.\n");
        return false;
    default:
        DebugLine("Unable to select wallpaper bitmap.\n");
        return false;
    }
    const PictureSize own = decoded.own;
    image = {made.bitmap, made.dc,        made.previous_object, own.width,
             own.height,  decoded.pixels, decoded.size.width,   decoded.size.height};
    char line[128] = {};
    std::snprintf(line, sizeof line, "Wallpaper loaded: %d x %d\n", own.width, own.height);
    DebugLine(line);
    return true;
}

// The path of the loaded picture, for reading it again at a larger size.
std::u16string g_loaded_path;

// Decodes the open file into image; the diagnostics of a decode.
bool ReadPicture(const PictureFile& file, PictureSize at_least, WallpaperImage& image) {
    const DecodedPicture decoded = DecodePicture(
        {file.handle, true, PictureReduction::area_average,
         [at_least](int width, int height) { return StoredSizeFor(width, height, at_least); }});
    if (decoded.status != DecodeStatus::decoded) {
        ReportDecodeFailure(decoded);
        return false;
    }
    return StorePicture(decoded, image);
}

// Opens path through the gate and decodes it; one line when it is not opened.
bool OpenAndReadPicture(const std::u16string& path, PictureSize at_least, WallpaperImage& image) {
    if (path.empty()) {
        return false;
    }
    PictureFile file = OpenPictureFile(path);
    if (file.status != PictureFileStatus::opened) {
        ReportUnopenedPicture(file);
        return false;
    }
    const bool read = ReadPicture(file, at_least, image);
    ClosePictureFile(file);
    return read;
}

void RememberLoadedPath(const std::u16string& path) {
    try {
        g_loaded_path = path;
    } catch (const std::bad_alloc&) {
        g_loaded_path.clear(); // the picture stays; it is only never read again larger
    }
}

} // namespace

bool IsWallpaperLoaded() {
    return g_wallpaper.dc != nullptr;
}

bool LoadWallpaperImage(const std::u16string& path) {
    if (!OpenAndReadPicture(path, {0, 0}, g_wallpaper)) {
        return false;
    }
    RememberLoadedPath(path);
    return true;
}

bool LoadWallpaperFromFile(const PictureFile& file, const std::u16string& path) {
    if (!ReadPicture(file, {0, 0}, g_wallpaper)) {
        return false;
    }
    RememberLoadedPath(path);
    return true;
}

void ReportWallpaperNotFound() {
    ReportUnopenedPicture(PictureFile{});
}

bool EnsureWallpaperResolution(int width, int height) {
    const WallpaperImage& image = g_wallpaper;
    if (image.dc == nullptr || (image.stored_width >= std::min(width, image.width) &&
                                image.stored_height >= std::min(height, image.height))) {
        return true;
    }
    WallpaperImage larger = {};
    if (!OpenAndReadPicture(g_loaded_path, {width, height}, larger)) {
        return false;
    }
    std::u16string path = std::move(g_loaded_path);
    ReleaseWallpaperImage();
    g_wallpaper = larger;
    g_loaded_path = std::move(path);
    return true;
}

void ReleaseWallpaperImage() {
    WallpaperImage& image = g_wallpaper;
    ReleaseMemoryBitmap(image.dc, image.previous_object, image.bitmap);
    image = {};
    g_loaded_path.clear();
}

void ReportHresultFailure(const char* step, uint32_t code) {
    char line[512] = {};
    std::snprintf(line, sizeof line, "%s failed. HRESULT = 0x%08lX\n", step,
                  static_cast<unsigned long>(code));
    DebugLine(line);
}
