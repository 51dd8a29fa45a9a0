#include "gdi_accounting.h"

#include <cstdint>
#include <map>
#include <mutex>

#include "import_wrapping.h"

namespace sim {

namespace {

enum Import {
    kCreateCompatibleDC,
    kCreateDCW,
    kDeleteDC,
    kCreateDIBSection,
    kCreateCompatibleBitmap,
    kCreateBitmap,
    kCreateSolidBrush,
    kCreateBrushIndirect,
    kCreatePen,
    kCreateFontW,
    kCreateFontIndirectW,
    kCreateRectRgn,
    kDeleteObject,
    kGetDC,
    kGetDCEx,
    kGetWindowDC,
    kReleaseDC,
    kBeginPaint,
    kEndPaint,
    kSelectObject,
    kImportCount
};

using Handles = std::map<HANDLE, long long>;

// Which module is wrapped, its slots and what they held before; a wrapper that is still running
// when the slots go back keeps its real function.
WrappedSlots g_wrapped;

// Live handles by kind, with how often each was handed out (a window DC can come back twice).
std::mutex g_mutex;
Handles g_objects;
Handles g_memory_dcs;
Handles g_window_dcs;
long long g_strays = 0;
long long g_window_dcs_of_windows = 0;

// One injected failure: the countdown-th call of that import from now on fails.
Import g_failing = kImportCount;
int g_failure_countdown = 0;

template <typename Function> Function Real(Import which) {
    return reinterpret_cast<Function>(g_wrapped.real[which]);
}

// True when this call is the one chosen to fail; it then does not reach the system.
bool FailsNow(Import which) {
    std::lock_guard<std::mutex> lock(g_mutex);
    if (which != g_failing || --g_failure_countdown > 0) {
        return false;
    }
    g_failing = kImportCount;
    return true;
}

void Made(Handles& live, HANDLE handle) {
    if (handle != nullptr) {
        std::lock_guard<std::mutex> lock(g_mutex);
        ++live[handle];
    }
}

void GaveBack(Handles& live, HANDLE handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto found = live.find(handle);
    if (found == live.end()) {
        ++g_strays;
    } else if (--found->second == 0) {
        live.erase(found);
    }
}

long long Total(const Handles& live) {
    long long total = 0;
    for (const auto& [handle, count] : live) {
        total += count;
    }
    return total;
}

HDC WINAPI CountedCreateCompatibleDC(HDC reference) {
    if (FailsNow(kCreateCompatibleDC)) {
        return nullptr;
    }
    HDC dc = Real<decltype(&::CreateCompatibleDC)>(kCreateCompatibleDC)(reference);
    Made(g_memory_dcs, dc);
    return dc;
}

HDC WINAPI CountedCreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW* mode) {
    HDC dc = Real<decltype(&::CreateDCW)>(kCreateDCW)(driver, device, port, mode);
    Made(g_memory_dcs, dc);
    return dc;
}

BOOL WINAPI CountedDeleteDC(HDC dc) {
    BOOL deleted = Real<decltype(&::DeleteDC)>(kDeleteDC)(dc);
    if (deleted) {
        GaveBack(g_memory_dcs, dc);
    }
    return deleted;
}

HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset) {
    if (FailsNow(kCreateDIBSection)) {
        return nullptr;
    }
    HBITMAP bitmap = Real<decltype(&::CreateDIBSection)>(kCreateDIBSection)(dc, info, usage, bits,
                                                                            section, offset);
    Made(g_objects, bitmap);
    return bitmap;
}

HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int width, int height) {
    if (FailsNow(kCreateCompatibleBitmap)) {
        return nullptr;
    }
    HBITMAP bitmap =
        Real<decltype(&::CreateCompatibleBitmap)>(kCreateCompatibleBitmap)(dc, width, height);
    Made(g_objects, bitmap);
    return bitmap;
}

HBITMAP WINAPI CountedCreateBitmap(int width, int height, UINT planes, UINT bits,
                                   const void* pixels) {
    HBITMAP bitmap =
        Real<decltype(&::CreateBitmap)>(kCreateBitmap)(width, height, planes, bits, pixels);
    Made(g_objects, bitmap);
    return bitmap;
}

HBRUSH WINAPI CountedCreateSolidBrush(COLORREF colour) {
    HBRUSH brush = Real<decltype(&::CreateSolidBrush)>(kCreateSolidBrush)(colour);
    Made(g_objects, brush);
    return brush;
}

HBRUSH WINAPI CountedCreateBrushIndirect(const LOGBRUSH* description) {
    HBRUSH brush = Real<decltype(&::CreateBrushIndirect)>(kCreateBrushIndirect)(description);
    Made(g_objects, brush);
    return brush;
}

HPEN WINAPI CountedCreatePen(int style, int width, COLORREF colour) {
    HPEN pen = Real<decltype(&::CreatePen)>(kCreatePen)(style, width, colour);
    Made(g_objects, pen);
    return pen;
}

HFONT WINAPI CountedCreateFontW(int height, int width, int escapement, int orientation, int weight,
                                DWORD italic, DWORD underline, DWORD strike_out, DWORD charset,
                                DWORD precision, DWORD clip_precision, DWORD quality,
                                DWORD pitch_and_family, LPCWSTR face) {
    HFONT font = Real<decltype(&::CreateFontW)>(kCreateFontW)(
        height, width, escapement, orientation, weight, italic, underline, strike_out, charset,
        precision, clip_precision, quality, pitch_and_family, face);
    Made(g_objects, font);
    return font;
}

HFONT WINAPI CountedCreateFontIndirectW(const LOGFONTW* description) {
    HFONT font = Real<decltype(&::CreateFontIndirectW)>(kCreateFontIndirectW)(description);
    Made(g_objects, font);
    return font;
}

HRGN WINAPI CountedCreateRectRgn(int left, int top, int right, int bottom) {
    HRGN region = Real<decltype(&::CreateRectRgn)>(kCreateRectRgn)(left, top, right, bottom);
    Made(g_objects, region);
    return region;
}

BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
    BOOL deleted = Real<decltype(&::DeleteObject)>(kDeleteObject)(object);
    if (deleted) {
        GaveBack(g_objects, object);
    }
    return deleted;
}

void MadeWindowDc(HWND window, HDC dc) {
    Made(g_window_dcs, dc);
    if (dc != nullptr && window != nullptr) {
        std::lock_guard<std::mutex> lock(g_mutex);
        ++g_window_dcs_of_windows;
    }
}

HDC WINAPI CountedGetDC(HWND window) {
    if (FailsNow(kGetDC)) {
        return nullptr;
    }
    HDC dc = Real<decltype(&::GetDC)>(kGetDC)(window);
    MadeWindowDc(window, dc);
    return dc;
}

HDC WINAPI CountedGetDCEx(HWND window, HRGN clip, DWORD flags) {
    HDC dc = Real<decltype(&::GetDCEx)>(kGetDCEx)(window, clip, flags);
    MadeWindowDc(window, dc);
    return dc;
}

HDC WINAPI CountedGetWindowDC(HWND window) {
    HDC dc = Real<decltype(&::GetWindowDC)>(kGetWindowDC)(window);
    MadeWindowDc(window, dc);
    return dc;
}

int WINAPI CountedReleaseDC(HWND window, HDC dc) {
    int released = Real<decltype(&::ReleaseDC)>(kReleaseDC)(window, dc);
    if (released) {
        GaveBack(g_window_dcs, dc);
    }
    return released;
}

HDC WINAPI CountedBeginPaint(HWND window, PAINTSTRUCT* paint) {
    HDC dc = Real<decltype(&::BeginPaint)>(kBeginPaint)(window, paint);
    Made(g_window_dcs, dc);
    return dc;
}

BOOL WINAPI CountedEndPaint(HWND window, const PAINTSTRUCT* paint) {
    BOOL ended = Real<decltype(&::EndPaint)>(kEndPaint)(window, paint);
    if (paint != nullptr && paint->hdc != nullptr) {
        GaveBack(g_window_dcs, paint->hdc);
    }
    return ended;
}

HGDIOBJ WINAPI CountedSelectObject(HDC dc, HGDIOBJ object) {
    if (FailsNow(kSelectObject)) {
        return nullptr;
    }
    return Real<decltype(&::SelectObject)>(kSelectObject)(dc, object);
}

// In the order of enum Import.
const std::vector<WrappedImport> kImports = {
    {"gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void*>(&CountedCreateCompatibleDC)},
    {"gdi32.dll", "CreateDCW", reinterpret_cast<void*>(&CountedCreateDCW)},
    {"gdi32.dll", "DeleteDC", reinterpret_cast<void*>(&CountedDeleteDC)},
    {"gdi32.dll", "CreateDIBSection", reinterpret_cast<void*>(&CountedCreateDIBSection)},
    {"gdi32.dll", "CreateCompatibleBitmap",
     reinterpret_cast<void*>(&CountedCreateCompatibleBitmap)},
    {"gdi32.dll", "CreateBitmap", reinterpret_cast<void*>(&CountedCreateBitmap)},
    {"gdi32.dll", "CreateSolidBrush", reinterpret_cast<void*>(&CountedCreateSolidBrush)},
    {"gdi32.dll", "CreateBrushIndirect", reinterpret_cast<void*>(&CountedCreateBrushIndirect)},
    {"gdi32.dll", "CreatePen", reinterpret_cast<void*>(&CountedCreatePen)},
    {"gdi32.dll", "CreateFontW", reinterpret_cast<void*>(&CountedCreateFontW)},
    {"gdi32.dll", "CreateFontIndirectW", reinterpret_cast<void*>(&CountedCreateFontIndirectW)},
    {"gdi32.dll", "CreateRectRgn", reinterpret_cast<void*>(&CountedCreateRectRgn)},
    {"gdi32.dll", "DeleteObject", reinterpret_cast<void*>(&CountedDeleteObject)},
    {"user32.dll", "GetDC", reinterpret_cast<void*>(&CountedGetDC)},
    {"user32.dll", "GetDCEx", reinterpret_cast<void*>(&CountedGetDCEx)},
    {"user32.dll", "GetWindowDC", reinterpret_cast<void*>(&CountedGetWindowDC)},
    {"user32.dll", "ReleaseDC", reinterpret_cast<void*>(&CountedReleaseDC)},
    {"user32.dll", "BeginPaint", reinterpret_cast<void*>(&CountedBeginPaint)},
    {"user32.dll", "EndPaint", reinterpret_cast<void*>(&CountedEndPaint)},
    {"gdi32.dll", "SelectObject", reinterpret_cast<void*>(&CountedSelectObject)},
};

} // namespace

std::vector<std::string> StartGdiAccounting(HMODULE module) {
    StopGdiAccounting();
    return WrapImports(module, kImports, g_wrapped);
}

void StopGdiAccounting() {
    UnwrapImports(kImports, g_wrapped);
}

GdiCounts CurrentGdiCounts() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return {Total(g_objects), Total(g_memory_dcs), Total(g_window_dcs), g_strays,
            g_window_dcs_of_windows};
}

bool InjectGdiFailure(const std::string& import_name, int nth_call) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failing = kImportCount;
    for (int i = 0; i < kImportCount; ++i) {
        if (import_name == kImports[i].name && nth_call >= 1) {
            g_failing = static_cast<Import>(i);
            g_failure_countdown = nth_call;
            return true;
        }
    }
    return false;
}

bool GdiFailurePending() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_failing != kImportCount;
}

void ResetGdiCounts() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failing = kImportCount;
    g_objects.clear();
    g_memory_dcs.clear();
    g_window_dcs.clear();
    g_strays = 0;
    g_window_dcs_of_windows = 0;
}

std::string DescribeGdiCounts(const GdiCounts& counts) {
    return "objects=" + std::to_string(counts.objects) +
           " memory-dcs=" + std::to_string(counts.memory_dcs) +
           " window-dcs=" + std::to_string(counts.window_dcs) +
           " strays=" + std::to_string(counts.strays);
}

} // namespace sim
