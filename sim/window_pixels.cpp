#include "window_pixels.h"

#include "frame/memory_bitmap.h"

namespace sim {

bool CaptureClientPixels(HWND window, std::vector<uint32_t>& pixels, int& width, int& height) {
    RECT client = {};
    if (window == nullptr || !GetClientRect(window, &client)) {
        return false;
    }
    width = client.right - client.left;
    height = client.bottom - client.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    // The real gdi32 function: a reading is not one of the host's presentations, and the
    // extension may sit in the import slot.
    using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
    auto system_bitblt = reinterpret_cast<BitBltFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"gdi32.dll"), "BitBlt")));
    bool ok = false;
    HDC window_dc = GetDC(window);
    MemoryBitmap target;
    if (system_bitblt != nullptr && window_dc != nullptr &&
        CreateMemoryBitmap(window_dc, width, height, target) == MemoryBitmapStep::done) {
        ok = system_bitblt(target.dc, 0, 0, width, height, window_dc, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) {
            pixels.assign(target.pixels, target.pixels + static_cast<size_t>(width) * height);
            for (uint32_t& pixel : pixels) {
                pixel &= 0xFFFFFF;
            }
        }
        ReleaseMemoryBitmap(target);
    }
    if (window_dc != nullptr) {
        ReleaseDC(window, window_dc);
    }
    return ok;
}

} // namespace sim
