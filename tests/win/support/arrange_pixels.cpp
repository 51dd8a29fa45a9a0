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
    if (CreateMemoryBitmap(nullptr, width, height, source) != MemoryBitmapStep::done) {
        ADD_FAILURE() << "cannot create a source surface";
        return source;
    }
    std::memcpy(source.pixels, pixels.data(), pixels.size() * sizeof(uint32_t));
    return source;
}

void ReleaseSource(SourceSurface& source) {
    ReleaseMemoryBitmap(source);
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
