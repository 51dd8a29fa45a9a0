// Not yet built: the picture loader. Loading fails until the imaging code lands.
#include "frame/wallpaper_image.h"

#include <cstdio>

#include "host/debug_line.h"

bool IsWallpaperLoaded() {
    return false;
}

bool LoadWallpaperImage(const std::u16string&) {
    return false;
}

void ReleaseWallpaperImage() {}

void ReportHresultFailure(const char* step, uint32_t code) {
    char buffer[512] = {};
    std::snprintf(buffer, sizeof buffer, "%s failed. HRESULT = 0x%08lX\n", step,
                  static_cast<unsigned long>(code));
    DebugLine(buffer);
}
