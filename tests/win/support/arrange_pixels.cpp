#include "support/arrange_pixels.h"

#include <gtest/gtest.h>

#include <cstring>

#include "arrange_paint.h"
#include "host_windows.h"
#include "scene.h"

SystemBitBltFunction SystemBitBlt() {
    return reinterpret_cast<SystemBitBltFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdi32.dll"), "BitBlt")));
}

Pixels HostImage(int width, int height) {
    Pixels pixels(static_cast<size_t>(width) * height);
    sim::PaintArrange(sim::CurrentScene(), pixels.data(), width, height);
    return pixels;
}

Pixels ArrangeScreen() {
    Pixels pixels;
    int width = 0;
    int height = 0;
    if (!sim::CaptureArrange(pixels, width, height)) {
        pixels.clear();
    }
    return pixels;
}

SourceSurface MakeSource(const Pixels& pixels, int width, int height) {
    SourceSurface source;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    source.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    source.dc = CreateCompatibleDC(nullptr);
    if (source.bitmap == nullptr || bits == nullptr || source.dc == nullptr) {
        ADD_FAILURE() << "cannot create a source surface";
        return source;
    }
    std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));
    source.previous = SelectObject(source.dc, source.bitmap);
    return source;
}

void ReleaseSource(SourceSurface& source) {
    if (source.dc != nullptr) {
        if (source.previous != nullptr) {
            SelectObject(source.dc, source.previous);
        }
        DeleteDC(source.dc);
    }
    if (source.bitmap != nullptr) {
        DeleteObject(source.bitmap);
    }
    source = {};
}

void BlackOutArrange() {
    HWND arrange = sim::ArrangeWindow();
    HDC dc = GetDC(arrange);
    RECT client = {};
    GetClientRect(arrange, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    GdiFlush();
    ReleaseDC(arrange, dc);
}
