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
    case DecodeStatus::abandoned: // no longer wanted: nothing to say
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
    return true;
}

PictureRef g_shown;

} // namespace

bool ReadPicture(const PictureFile& file, PictureSize at_least, const std::atomic<bool>* abandon,
                 WallpaperImage& image) {
    PictureRequest request = {
        file.handle, true, PictureReduction::area_average,
        [at_least](int width, int height) { return StoredSizeFor(width, height, at_least); }};
    request.abandon = abandon;
    const DecodedPicture decoded = DecodePicture(request);
    if (decoded.status != DecodeStatus::decoded) {
        ReportDecodeFailure(decoded);
        return false;
    }
    return StorePicture(decoded, image);
}

bool OpenAndReadPicture(const std::u16string& path, PictureSize at_least,
                        const std::atomic<bool>* abandon, WallpaperImage& image) {
    if (path.empty()) {
        return false;
    }
    PictureFile file = OpenPictureFile(path);
    if (file.status != PictureFileStatus::opened) {
        ReportUnopenedPicture(file);
        return false;
    }
    const bool read = ReadPicture(file, at_least, abandon, image);
    ClosePictureFile(file);
    return read;
}

PictureRef SharePicture(const WallpaperImage& image) {
    try {
        return PictureRef(new WallpaperImage(image), [](const WallpaperImage* shared) {
            WallpaperImage released = *shared;
            ReleaseUnsharedImage(released);
            delete shared;
        });
    } catch (const std::bad_alloc&) {
        WallpaperImage released = image;
        ReleaseUnsharedImage(released);
        return nullptr;
    }
}

const WallpaperImage& ShownPicture() {
    static const WallpaperImage kNone = {};
    return g_shown != nullptr ? *g_shown : kNone;
}

const PictureRef& ShownPictureRef() {
    return g_shown;
}

void ShowPicture(PictureRef picture) {
    g_shown = std::move(picture);
}

bool IsWallpaperLoaded() {
    return g_shown != nullptr && g_shown->dc != nullptr;
}

bool LoadWallpaperImage(const std::u16string& path) {
    WallpaperImage image = {};
    if (!OpenAndReadPicture(path, {0, 0}, nullptr, image)) {
        return false;
    }
    PictureRef shared = SharePicture(image);
    if (shared == nullptr) {
        return false;
    }
    ShowPicture(std::move(shared));
    ReportPictureShown(ShownPicture());
    return true;
}

void ReportPictureShown(const WallpaperImage& image) {
    DebugLinef("Wallpaper loaded: %d x %d", image.width, image.height);
}

void ReportWallpaperNotFound() {
    ReportUnopenedPicture(PictureFile{});
}

bool PictureHasDetailFor(const WallpaperImage& image, int width, int height) {
    return image.dc == nullptr || (image.stored_width >= std::min(width, image.width) &&
                                   image.stored_height >= std::min(height, image.height));
}

void ReleaseWallpaperImage() {
    g_shown = nullptr;
}

void ReleaseUnsharedImage(WallpaperImage& image) {
    ReleaseMemoryBitmap(image.dc, image.previous_object, image.bitmap);
    image = {};
}

void ReportHresultFailure(const char* step, uint32_t code) {
    char line[512] = {};
    std::snprintf(line, sizeof line, "%s failed. HRESULT = 0x%08lX\n", step,
                  static_cast<unsigned long>(code));
    DebugLine(line);
}
