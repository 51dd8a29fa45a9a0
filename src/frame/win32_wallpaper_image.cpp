// Decodes the wallpaper through WIC straight into a DIB section that StretchBlt can scale.
#include "frame/wallpaper_image.h"

#include <wincodec.h>

#include <cstdio>

#include "frame/com_release.h"
#include "frame/memory_bitmap.h"
#include "host/debug_line.h"

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

// Takes ownership of bitmap: it ends up in g_wallpaper or deleted.
bool StorePicture(HBITMAP bitmap, int width, int height) {
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
    g_wallpaper = {bitmap, dc, previous, width, height};
    char line[128] = {};
    std::snprintf(line, sizeof line, "Wallpaper loaded: %d x %d\n", width, height);
    DebugLine(line);
    return true;
}

// Everything from the factory to the stored picture. The caller releases wic on every path.
bool DecodePicture(const wchar_t* path, WicObjects& wic) {
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
    void* pixels = nullptr;
    HBITMAP bitmap =
        CreateTopDownDib(nullptr, static_cast<int>(width), static_cast<int>(height), &pixels);
    if (bitmap == nullptr || pixels == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        DebugLine("Unable to allocate wallpaper bitmap.\n");
        return false;
    }
    // Decoded straight into the DIB: no intermediate buffer. Both sizes fit 32 bits by the limit.
    UINT stride = width * 4;
    hr = wic.converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels));
    if (FAILED(hr)) {
        DeleteObject(bitmap);
        ReportHresultFailure("WIC CopyPixels", static_cast<uint32_t>(hr));
        return false;
    }
    return StorePicture(bitmap, static_cast<int>(width), static_cast<int>(height));
}

} // namespace

bool IsWallpaperLoaded() {
    return g_wallpaper.dc != nullptr;
}

bool LoadWallpaperImage(const std::u16string& path) {
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
    bool loaded = DecodePicture(wide_path, wic);
    ReleaseWicObjects(wic);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return loaded;
}

void ReleaseWallpaperImage() {
    WallpaperImage& image = g_wallpaper;
    ReleaseMemoryBitmap(image.dc, image.previous_object, image.bitmap);
    image.width = 0;
    image.height = 0;
}

void ReportHresultFailure(const char* step, uint32_t code) {
    char line[512] = {};
    std::snprintf(line, sizeof line, "%s failed. HRESULT = 0x%08lX\n", step,
                  static_cast<unsigned long>(code));
    DebugLine(line);
}
