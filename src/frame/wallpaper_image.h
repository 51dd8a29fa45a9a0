// The decoded wallpaper picture: a 32-bit top-down DIB section in a memory device context, held
// by reference so that a fit in the background can read the picture the view shows.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "frame/picture_decoder.h"
#include "frame/picture_file.h"

// Either every field is set (width x height at most 67,108,864 pixels) or all are null and 0.
// A picture larger than it can ever be shown is kept reduced: the bitmap is then
// stored_width x stored_height, in the picture's proportions, while width x height stay the
// picture's own size, which places it. Nobody writes a picture once it is shared; its pixels are
// read, never its device context, so any thread may read it.
struct WallpaperImage {
    HBITMAP bitmap;          // pixels blue, green, red, alpha (not premultiplied)
    HDC dc;                  // present exactly while a picture is loaded
    HGDIOBJ previous_object; // what dc held before bitmap; put back before dc is deleted
    int width;
    int height;
    const uint32_t* pixels; // the bitmap's memory, rows without gaps
    int stored_width;
    int stored_height;
};

// A shared picture: its GDI objects are released when the last holder lets go, on whichever
// thread that is.
using PictureRef = std::shared_ptr<const WallpaperImage>;

// Takes over the image's objects (released at once when sharing cannot be set up).
PictureRef SharePicture(const WallpaperImage& image);

// The picture the arrange view shows (interface thread), or an empty record.
const WallpaperImage& ShownPicture();
const PictureRef& ShownPictureRef();

// Replaces the shown picture; null shows none.
void ShowPicture(PictureRef picture);

// A picture counts as loaded exactly while one is shown.
bool IsWallpaperLoaded();

// Decodes the open file (which stays the caller's) into image, kept at a size that covers the
// virtual screen or at_least: one diagnostic line on failure. abandon (may be null) stops a
// reduction when set.
bool ReadPicture(const PictureFile& file, PictureSize at_least, const std::atomic<bool>* abandon,
                 WallpaperImage& image);

// Opens path through OpenPictureFile and reads it as ReadPicture does; one line when it is not
// opened (none for an empty path).
bool OpenAndReadPicture(const std::u16string& path, PictureSize at_least,
                        const std::atomic<bool>* abandon, WallpaperImage& image);

// Opens, decodes and shows the picture at path, replacing the shown one only on success.
bool LoadWallpaperImage(const std::u16string& path);

// "Wallpaper loaded: W x H", said when a loaded picture goes on screen, decoded or kept.
void ReportPictureShown(const WallpaperImage& image);

// "Wallpaper file not found.", as a load of a missing file says it.
void ReportWallpaperNotFound();

// True when the kept pixels suffice for drawing the picture width x height (or at its own size,
// whichever is smaller); otherwise a read at that size would show more detail.
bool PictureHasDetailFor(const WallpaperImage& image, int width, int height);

// Shows no picture; safe when none is shown.
void ReleaseWallpaperImage();

// Frees an image that was never shared; safe on an empty one.
void ReleaseUnsharedImage(WallpaperImage& image);

// "<step> failed. HRESULT = 0xXXXXXXXX"
void ReportHresultFailure(const char* step, uint32_t code);
