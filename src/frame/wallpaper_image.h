// The decoded wallpaper picture: a 32-bit top-down DIB section in a memory device context.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "frame/picture_file.h"

// Either every field is set (width x height at most 67,108,864 pixels) or all are null and 0.
// Written only by the loader and ReleaseWallpaperImage; everyone else reads it.
// A picture larger than it can ever be shown is kept reduced: the bitmap is then
// stored_width x stored_height, in the picture's proportions, while width x height stay the
// picture's own size, which places it.
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

extern WallpaperImage g_wallpaper;

// A picture counts as loaded exactly while its memory device context exists.
bool IsWallpaperLoaded();

// Opens the file through OpenPictureFile and decodes its first frame; one diagnostic line on
// failure (none for an empty path). Expects nothing loaded (callers release first); a failure
// leaves the record untouched.
bool LoadWallpaperImage(const std::u16string& path);

// The same from a file already opened through OpenPictureFile (which stays the caller's); path
// is where it was opened, for reading it again larger.
bool LoadWallpaperFromFile(const PictureFile& file, const std::u16string& path);

// "Wallpaper file not found.", as a load of a missing file says it.
void ReportWallpaperNotFound();

// Makes sure the kept bitmap is at least width x height or the picture's own size, reading the
// file again when a reduced one is too small (a view larger than every screen). False when the
// file could not be read again; the picture loaded before stays.
bool EnsureWallpaperResolution(int width, int height);

// Frees whatever is loaded; safe when nothing is.
void ReleaseWallpaperImage();

// "<step> failed. HRESULT = 0xXXXXXXXX"
void ReportHresultFailure(const char* step, uint32_t code);
