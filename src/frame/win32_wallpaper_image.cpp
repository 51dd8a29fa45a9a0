// Decodes the wallpaper through WIC into a DIB section, reduced on the way when it is larger
// than it can ever be shown.
#include "frame/wallpaper_image.h"

#include <wincodec.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "base/debug_line.h"
#include "frame/area_scale.h"
#include "frame/com_release.h"
#include "frame/memory_bitmap.h"

WallpaperImage g_wallpaper = {};

namespace {

// 8192 x 8192: about 256 MiB of pixels. The limit is on the area, so one side may be longer.
constexpr uint64_t kMaxPixels = 67'108'864;

struct WicObjects {
    IWICImagingFactory* factory;
    IWICBitmapDecoder* decoder;
    IWICBitmapFrameDecode* frame;
    IWICFormatConverter* converter;
};

void ReleaseWicObjects(WicObjects& wic) {
    ReleaseCom(wic.converter);
    ReleaseCom(wic.frame);
    ReleaseCom(wic.decoder);
    ReleaseCom(wic.factory);
}

// Output rows made per strip when a picture is reduced while it is read: the strip holds the
// source rows they cover, a small fraction of the picture.
constexpr int kStripRows = 32;

struct StoredSize {
    int width;
    int height;
};

// The size a width x height picture is kept at: in its own proportions, just large enough to
// cover a view of the whole virtual screen (or of at_least), never larger than the picture.
// Every fit mode then places it for any view up to that size at no more than this size.
StoredSize StoredSizeFor(int width, int height, StoredSize at_least) {
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

// Reads the picture strip by strip and area-averages each strip into out (stored size): no
// full-size copy beyond what the codec itself holds.
bool CopyReduced(IWICBitmapSource* source, int width, int height, uint32_t* out,
                 StoredSize stored) {
    std::vector<uint32_t> strip;
    for (int top = 0; top < stored.height; top += kStripRows) {
        const int bottom = std::min(stored.height, top + kStripRows);
        const int first = static_cast<int>(int64_t(top) * height / stored.height);
        const int last = static_cast<int>((int64_t(bottom) * height - 1) / stored.height);
        const int rows = last - first + 1;
        try {
            strip.resize(size_t(rows) * size_t(width));
        } catch (const std::bad_alloc&) {
            DebugLine("Unable to allocate wallpaper bitmap.\n");
            return false;
        }
        const WICRect rect = {0, first, width, rows};
        const UINT stride = static_cast<UINT>(width) * 4;
        HRESULT hr = source->CopyPixels(&rect, stride, stride * static_cast<UINT>(rows),
                                        reinterpret_cast<BYTE*>(strip.data()));
        if (FAILED(hr)) {
            ReportHresultFailure("WIC CopyPixels", static_cast<uint32_t>(hr));
            return false;
        }
        try {
            AreaScaleInto({strip.data(), width, height, first},
                          out + size_t(top) * size_t(stored.width), stored.width, bottom - top,
                          {0, -top, stored.width, stored.height - top});
        } catch (const std::bad_alloc&) {
            DebugLine("Unable to allocate wallpaper bitmap.\n");
            return false;
        }
    }
    return true;
}

// Takes ownership of bitmap: it ends up in image or deleted.
bool StorePicture(HBITMAP bitmap, const uint32_t* pixels, int width, int height, StoredSize stored,
                  WallpaperImage& image) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    if (dc == nullptr) {
        DeleteObject(bitmap);
        DebugLine("Unable to create wallpaper DC.\n");
        return false;
    }
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (previous == nullptr || previous == HGDI_ERROR) {
        DeleteDC(dc);
        DeleteObject(bitmap);
        DebugLine("Unable to select wallpaper bitmap.\n");
        return false;
    }
    image = {bitmap, dc, previous, width, height, pixels, stored.width, stored.height};
    char line[128] = {};
    std::snprintf(line, sizeof line, "Wallpaper loaded: %d x %d\n", width, height);
    DebugLine(line);
    return true;
}

// Everything from the factory to the stored picture. The caller releases wic on every path.
bool DecodePicture(const wchar_t* path, StoredSize at_least, WicObjects& wic,
                   WallpaperImage& image) {
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&wic.factory));
    if (FAILED(hr) || wic.factory == nullptr) {
        ReportHresultFailure("WIC factory", static_cast<uint32_t>(hr));
        return false;
    }
    hr = wic.factory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnLoad, &wic.decoder);
    if (FAILED(hr) || wic.decoder == nullptr) {
        ReportHresultFailure("WIC decoder", static_cast<uint32_t>(hr));
        return false;
    }
    // Multi-page and animated files give their first page or frame.
    hr = wic.decoder->GetFrame(0, &wic.frame);
    if (FAILED(hr) || wic.frame == nullptr) {
        ReportHresultFailure("WIC frame", static_cast<uint32_t>(hr));
        return false;
    }
    UINT width = 0;
    UINT height = 0;
    hr = wic.frame->GetSize(&width, &height);
    if (FAILED(hr) || width == 0 || height == 0 ||
        static_cast<uint64_t>(width) * height > kMaxPixels) {
        DebugLine("Wallpaper dimensions are invalid or too large.\n");
        return false;
    }
    hr = wic.factory->CreateFormatConverter(&wic.converter);
    if (FAILED(hr) || wic.converter == nullptr) {
        ReportHresultFailure("WIC converter", static_cast<uint32_t>(hr));
        return false;
    }
    hr = wic.converter->Initialize(wic.frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) {
        ReportHresultFailure("WIC pixel conversion", static_cast<uint32_t>(hr));
        return false;
    }
    // Both sizes fit int by the limit.
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const StoredSize stored = StoredSizeFor(w, h, at_least);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateTopDownDib(nullptr, stored.width, stored.height, &pixels);
    if (bitmap == nullptr || pixels == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        DebugLine("Unable to allocate wallpaper bitmap.\n");
        return false;
    }
    uint32_t* out = static_cast<uint32_t*>(pixels);
    if (stored.width != w || stored.height != h) {
        if (!CopyReduced(wic.converter, w, h, out, stored)) {
            DeleteObject(bitmap);
            return false;
        }
        return StorePicture(bitmap, out, w, h, stored, image);
    }
    // Decoded straight into the DIB: no intermediate buffer. Both sizes fit 32 bits by the limit.
    UINT stride = width * 4;
    hr = wic.converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels));
    if (FAILED(hr)) {
        DeleteObject(bitmap);
        ReportHresultFailure("WIC CopyPixels", static_cast<uint32_t>(hr));
        return false;
    }
    return StorePicture(bitmap, out, w, h, stored, image);
}

// The path of the loaded picture, for reading it again at a larger size.
std::u16string g_loaded_path;

// Reads the file into image; the checks, the apartment and the diagnostics of a load.
bool ReadPicture(const std::u16string& path, StoredSize at_least, WallpaperImage& image) {
    if (path.empty()) {
        return false;
    }
    const wchar_t* wide_path = reinterpret_cast<const wchar_t*>(path.c_str());
    DWORD attributes = GetFileAttributesW(wide_path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        DebugLine("Wallpaper file not found.\n");
        return false;
    }
    // A thread already in the multithreaded apartment answers RPC_E_CHANGED_MODE: WIC works there
    // too, and that initialisation is not ours to undo.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) {
        ReportHresultFailure("CoInitializeEx", static_cast<uint32_t>(init));
        return false;
    }
    WicObjects wic = {};
    bool loaded = DecodePicture(wide_path, at_least, wic, image);
    ReleaseWicObjects(wic);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return loaded;
}

} // namespace

bool IsWallpaperLoaded() {
    return g_wallpaper.dc != nullptr;
}

bool LoadWallpaperImage(const std::u16string& path) {
    if (!ReadPicture(path, {0, 0}, g_wallpaper)) {
        return false;
    }
    try {
        g_loaded_path = path;
    } catch (const std::bad_alloc&) {
        g_loaded_path.clear(); // the picture stays; it is only never read again larger
    }
    return true;
}

bool EnsureWallpaperResolution(int width, int height) {
    const WallpaperImage& image = g_wallpaper;
    if (image.dc == nullptr || (image.stored_width >= std::min(width, image.width) &&
                                image.stored_height >= std::min(height, image.height))) {
        return true;
    }
    WallpaperImage larger = {};
    if (!ReadPicture(g_loaded_path, {width, height}, larger)) {
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
