// WIC from the factory to the pixels, shared by the wallpaper and the settings dialog's preview.
#include "frame/picture_decoder.h"

#include <wincodec.h>

#include <algorithm>
#include <new>
#include <vector>

#include "frame/area_scale.h"
#include "frame/com_release.h"
#include "frame/memory_bitmap.h"

namespace {

struct WicObjects {
    IWICImagingFactory* factory = nullptr;
    IWICBitmapDecoder* decoder = nullptr;
    IWICBitmapFrameDecode* frame = nullptr;
    IWICBitmapScaler* scaler = nullptr;
    IWICFormatConverter* converter = nullptr;
};

void ReleaseWicObjects(WicObjects& wic) {
    ReleaseCom(wic.converter);
    ReleaseCom(wic.scaler);
    ReleaseCom(wic.frame);
    ReleaseCom(wic.decoder);
    ReleaseCom(wic.factory);
}

// Output rows made per strip when a picture is reduced while it is read: the strip holds the
// source rows they cover, a small fraction of the picture.
constexpr int kStripRows = 32;

// Records which call failed and with what, for the caller's diagnostics; false, the decode's
// answer.
bool CallFailed(HRESULT hr, const char* step, DecodedPicture& picture) {
    picture.status = DecodeStatus::call_failed;
    picture.step = step;
    picture.hresult = static_cast<uint32_t>(hr);
    return false;
}

bool OutOfMemory(DecodedPicture& picture) {
    picture.status = DecodeStatus::out_of_memory;
    return false;
}

// Reads the picture strip by strip and area-averages each strip into out (size): no full-size
// copy beyond what the codec itself holds.
bool CopyReduced(IWICBitmapSource* source, PictureSize own, uint32_t* out, PictureSize size,
                 const std::atomic<bool>* abandon, DecodedPicture& picture) {
    std::vector<uint32_t> strip;
    for (int top = 0; top < size.height; top += kStripRows) {
        if (abandon != nullptr && abandon->load(std::memory_order_relaxed)) {
            picture.status = DecodeStatus::abandoned;
            return false;
        }
        const int bottom = std::min(size.height, top + kStripRows);
        const int first = static_cast<int>(int64_t(top) * own.height / size.height);
        const int last = static_cast<int>((int64_t(bottom) * own.height - 1) / size.height);
        const int rows = last - first + 1;
        try {
            strip.resize(size_t(rows) * size_t(own.width));
        } catch (const std::bad_alloc&) {
            return OutOfMemory(picture);
        }
        const WICRect rect = {0, first, own.width, rows};
        const UINT stride = static_cast<UINT>(own.width) * 4;
        HRESULT hr = source->CopyPixels(&rect, stride, stride * static_cast<UINT>(rows),
                                        reinterpret_cast<BYTE*>(strip.data()));
        if (FAILED(hr)) {
            return CallFailed(hr, "WIC CopyPixels", picture);
        }
        try {
            AreaScaleInto({strip.data(), own.width, own.height, first},
                          out + size_t(top) * size_t(size.width), size.width, bottom - top,
                          {0, -top, size.width, size.height - top});
        } catch (const std::bad_alloc&) {
            return OutOfMemory(picture);
        }
    }
    return true;
}

// The pixels of source (the converted picture, already at size unless reduced here) into a new
// DIB section.
bool CopyIntoDib(IWICBitmapSource* source, const PictureRequest& request, DecodedPicture& picture) {
    const PictureSize size = picture.size;
    uint32_t* pixels = nullptr;
    HBITMAP bitmap = CreateTopDownDib(nullptr, size.width, size.height, &pixels);
    if (bitmap == nullptr || pixels == nullptr) {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
        return OutOfMemory(picture);
    }
    const bool reduced = request.reduction == PictureReduction::area_average &&
                         (size.width != picture.own.width || size.height != picture.own.height);
    bool copied = false;
    if (reduced) {
        copied = CopyReduced(source, picture.own, pixels, size, request.abandon, picture);
    } else {
        // Straight into the DIB: no intermediate buffer. Both sizes fit 32 bits by the limit.
        const UINT stride = static_cast<UINT>(size.width) * 4;
        HRESULT hr = source->CopyPixels(nullptr, stride, stride * static_cast<UINT>(size.height),
                                        reinterpret_cast<BYTE*>(pixels));
        copied = SUCCEEDED(hr) || CallFailed(hr, "WIC CopyPixels", picture);
    }
    if (!copied) {
        DeleteObject(bitmap);
        return false;
    }
    picture.bitmap = bitmap;
    picture.pixels = pixels;
    return true;
}

bool Decode(const PictureRequest& request, WicObjects& wic, DecodedPicture& picture) {
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&wic.factory));
    if (FAILED(hr) || wic.factory == nullptr) {
        return CallFailed(hr, "WIC factory", picture);
    }
    const WICDecodeOptions metadata =
        request.metadata_on_load ? WICDecodeMetadataCacheOnLoad : WICDecodeMetadataCacheOnDemand;
    hr = wic.factory->CreateDecoderFromFileHandle(reinterpret_cast<ULONG_PTR>(request.file),
                                                  nullptr, metadata, &wic.decoder);
    if (FAILED(hr) || wic.decoder == nullptr) {
        return CallFailed(hr, "WIC decoder", picture);
    }
    // Multi-page and animated files give their first page or frame.
    hr = wic.decoder->GetFrame(0, &wic.frame);
    if (FAILED(hr) || wic.frame == nullptr) {
        return CallFailed(hr, "WIC frame", picture);
    }
    UINT width = 0;
    UINT height = 0;
    hr = wic.frame->GetSize(&width, &height);
    if (FAILED(hr) || width == 0 || height == 0 ||
        static_cast<uint64_t>(width) * height > kMaxPicturePixels) {
        picture.status = DecodeStatus::bad_size;
        return false;
    }
    // Both sizes fit int by the limit.
    picture.own = {static_cast<int>(width), static_cast<int>(height)};
    picture.size = request.size_for(picture.own.width, picture.own.height);
    IWICBitmapSource* source = wic.frame;
    if (request.reduction == PictureReduction::wic_fant &&
        (picture.size.width != picture.own.width || picture.size.height != picture.own.height)) {
        hr = wic.factory->CreateBitmapScaler(&wic.scaler);
        if (FAILED(hr) || wic.scaler == nullptr) {
            return CallFailed(hr, "WIC scaler", picture);
        }
        hr = wic.scaler->Initialize(wic.frame, static_cast<UINT>(picture.size.width),
                                    static_cast<UINT>(picture.size.height),
                                    WICBitmapInterpolationModeFant);
        if (FAILED(hr)) {
            return CallFailed(hr, "WIC scaler", picture);
        }
        source = wic.scaler;
    }
    hr = wic.factory->CreateFormatConverter(&wic.converter);
    if (FAILED(hr) || wic.converter == nullptr) {
        return CallFailed(hr, "WIC converter", picture);
    }
    hr = wic.converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom);
    if (FAILED(hr)) {
        return CallFailed(hr, "WIC pixel conversion", picture);
    }
    return CopyIntoDib(wic.converter, request, picture);
}

} // namespace

DecodedPicture DecodePicture(const PictureRequest& request) {
    DecodedPicture picture = {};
    picture.status = DecodeStatus::decoded;
    // A thread already in the multithreaded apartment answers RPC_E_CHANGED_MODE: WIC works there
    // too, and that initialisation is not ours to undo.
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(init) && init != RPC_E_CHANGED_MODE) {
        CallFailed(init, "CoInitializeEx", picture);
        return picture;
    }
    WicObjects wic;
    Decode(request, wic, picture);
    ReleaseWicObjects(wic);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return picture;
}
