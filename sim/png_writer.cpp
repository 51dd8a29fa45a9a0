#include "png_writer.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "text_file.h"

namespace sim {

namespace {

template <typename T> void Release(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

// Rows go to the encoder in bands, so a large picture never needs all its pixels at once.
constexpr int kBandRows = 64;

// 24-bit rows: the PNG encoder takes BGR without asking for a conversion.
void ToBgrRow(const uint32_t* pixels, int width, BYTE* row) {
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<BYTE>(pixels[x] & 0xFF);
        row[x * 3 + 1] = static_cast<BYTE>((pixels[x] >> 8) & 0xFF);
        row[x * 3 + 2] = static_cast<BYTE>((pixels[x] >> 16) & 0xFF);
    }
}

HRESULT WriteBands(IWICBitmapFrameEncode* frame, int width, int height, const PngRowSource& rows) {
    UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> band(static_cast<size_t>(stride) * kBandRows);
    std::vector<uint32_t> pixels(static_cast<size_t>(width));
    HRESULT hr = S_OK;
    for (int top = 0; top < height && SUCCEEDED(hr); top += kBandRows) {
        int count = std::min(kBandRows, height - top);
        for (int y = 0; y < count; ++y) {
            rows(top + y, pixels.data());
            ToBgrRow(pixels.data(), width, band.data() + static_cast<size_t>(y) * stride);
        }
        hr = frame->WritePixels(static_cast<UINT>(count), stride, stride * count, band.data());
    }
    return hr;
}

HRESULT Encode(const std::wstring& path, int width, int height, const PngRowSource& rows) {
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&factory));
    if (SUCCEEDED(hr)) {
        hr = factory->CreateStream(&stream);
    }
    if (SUCCEEDED(hr)) {
        hr = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
    }
    if (SUCCEEDED(hr)) {
        hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Initialize(stream, WICBitmapEncoderNoCache);
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->CreateNewFrame(&frame, nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Initialize(nullptr);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height));
    }
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (SUCCEEDED(hr)) {
        hr = frame->SetPixelFormat(&format);
    }
    if (SUCCEEDED(hr) && format != GUID_WICPixelFormat24bppBGR) {
        hr = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
    }
    if (SUCCEEDED(hr)) {
        hr = WriteBands(frame, width, height, rows);
    }
    if (SUCCEEDED(hr)) {
        hr = frame->Commit();
    }
    if (SUCCEEDED(hr)) {
        hr = encoder->Commit();
    }
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(factory);
    return hr;
}

} // namespace

bool WritePngRows(const std::string& path, int width, int height, const PngRowSource& rows,
                  std::string& error) {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT hr = Encode(Utf8ToWide(path), width, height, rows);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    if (FAILED(hr)) {
        char code[16];
        wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
        error = DisplayPath(path) + ": cannot write PNG (" + code + ")";
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height,
              std::string& error) {
    auto row = [&](int y, uint32_t* out) {
        std::copy_n(pixels + static_cast<size_t>(y) * width, width, out);
    };
    return WritePngRows(path, width, height, row, error);
}

} // namespace sim
