#include "png_writer.h"

#include <windows.h>
#include <wincodec.h>

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

// 24-bit rows: the PNG encoder takes BGR without asking for a conversion.
std::vector<BYTE> ToBgrRows(const uint32_t* pixels, int width, int height, UINT stride) {
    std::vector<BYTE> rows(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows.data() + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x) {
            uint32_t pixel = pixels[static_cast<size_t>(y) * width + x];
            row[x * 3] = static_cast<BYTE>(pixel & 0xFF);
            row[x * 3 + 1] = static_cast<BYTE>((pixel >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<BYTE>((pixel >> 16) & 0xFF);
        }
    }
    return rows;
}

HRESULT Encode(const std::wstring& path, const uint32_t* pixels, int width, int height) {
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
        UINT stride = (static_cast<UINT>(width) * 3 + 3) & ~3u;
        std::vector<BYTE> rows = ToBgrRows(pixels, width, height, stride);
        hr = frame->WritePixels(static_cast<UINT>(height), stride, static_cast<UINT>(rows.size()),
                                rows.data());
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

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height,
              std::string& error) {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT hr = Encode(Utf8ToWide(path), pixels, width, height);
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

} // namespace sim
