// The decoded wallpaper picture.
#pragma once

#include <cstdint>
#include <string>

// A picture counts as loaded exactly while its memory device context exists.
bool IsWallpaperLoaded();

// Decodes the first frame of the file; one diagnostic line on failure (none for an empty path).
bool LoadWallpaperImage(const std::u16string& path);

// Frees whatever is loaded; safe when nothing is.
void ReleaseWallpaperImage();

// "<step> failed. HRESULT = 0xXXXXXXXX"
void ReportHresultFailure(const char* step, uint32_t code);
