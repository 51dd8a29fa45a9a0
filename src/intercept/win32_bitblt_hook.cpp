// Replaces the host executable's BitBlt import so the arrange view's back buffer is corrected
// on its way to the screen and the uncorrected image never shows.
#include "intercept/bitblt_hook.h"

#include <cstdint>

#include "frame/frame_buffers.h"
#include "frame/frame_view.h"
#include "frame/render.h"
#include "frame/wallpaper_image.h"
#include "host/arrange_target.h"
#include "host/debug_line.h"
#include "host/plugin_state.h"
#include "intercept/copy_clip.h"
#include "intercept/import_table.h"
#include "keying/compositor.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"

namespace {

void** FindBitBltImportSlot() {
    HMODULE host = GetModuleHandleW(nullptr);
    if (host == nullptr) {
        return nullptr;
    }
    // The loader mapped the whole declared image; the walk bounds itself by that size.
    size_t offset = FindImportSlotOffset(reinterpret_cast<const uint8_t*>(host), SIZE_MAX,
                                         "GDI32.dll", "BitBlt");
    if (offset == 0) {
        return nullptr;
    }
    return reinterpret_cast<void**>(reinterpret_cast<uint8_t*>(host) + offset);
}

bool SwapImportSlot(void** slot, void* expected, void* replacement) {
    DWORD old_protection = 0;
    if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &old_protection)) {
        return false;
    }
    // Check and write in one step, so a party swapping at the same time cannot be overwritten.
    void* held = InterlockedCompareExchangePointer(slot, replacement, expected);
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof(void*), old_protection, &ignored);
    return held == expected;
}

// A plain aligned read is atomic on x64; an interlocked one would write to a read-only page.
void* SlotValue(void** slot) {
    return *static_cast<void* volatile*>(slot);
}

void* HookAddress() {
    return reinterpret_cast<void*>(&HookedBitBlt);
}

bool CodeIsInLoadedModule() {
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&HookedBitBlt), &module) != 0;
}

// Another party still calls through our function: keep the module mapped for good.
void PinModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&HookedBitBlt), &module);
}

// The cheap tests first: flags, thread, operation, size and DCs before any system call.
bool MustPassThrough(HDC destination, int cx, int cy, HDC source, DWORD rop) {
    if (ShuttingDown() || GetCurrentThreadId() != g_target.thread_id || g_render_busy ||
        g_target.window == nullptr || !IsWallpaperLoaded() || rop != SRCCOPY || cx <= 0 ||
        cy <= 0 || source == destination) {
        return true;
    }
    return WindowFromDC(destination) != g_target.window || GetMapMode(destination) != MM_TEXT ||
           GetMapMode(source) != MM_TEXT;
}

// Corrects and presents the clipped copy; 0 when the host's own copy must be made instead.
BOOL PresentCorrected(HDC destination, HDC source, const ClippedCopy& c, int client_w,
                      int client_h) {
    BitBltFunction real = g_target.real_bitblt;
    if (!EnsureFrameBuffers(destination, client_w, client_h)) {
        return 0;
    }
    HDC working = WorkingDc();
    if (!real(working, 0, 0, c.w, c.h, source, c.sx, c.sy, SRCCOPY)) {
        return 0;
    }
    GdiFlush(); // the compositor reads the DIB memory GDI just wrote
    if (UpdateItemLayout(client_w, client_h)) {
        CompositeRegion(c.w, c.h, c.dx, c.dy, false);
    }
    BOOL result = real(destination, c.dx, c.dy, c.w, c.h, working, 0, 0, SRCCOPY);
    if (!result) {
        return 0;
    }
    ++g_target.present_count;
    if (g_frame.last_frame_valid && LastFrameDc() != nullptr) {
        real(LastFrameDc(), c.dx, c.dy, c.w, c.h, working, 0, 0, SRCCOPY);
    }
    return result;
}

} // namespace

bool InstallBitBltHook() {
    void** slot = FindBitBltImportSlot();
    HMODULE gdi = GetModuleHandleW(L"gdi32.dll");
    // Through void* so the exported address keeps its real type without a function-type cast.
    void* real_address =
        gdi != nullptr ? reinterpret_cast<void*>(GetProcAddress(gdi, "BitBlt")) : nullptr;
    auto real = reinterpret_cast<BitBltFunction>(real_address);
    if (slot == nullptr || real == nullptr || SlotValue(slot) != reinterpret_cast<void*>(real)) {
        DebugLine("BitBlt import unavailable or already hooked.\n");
        return false;
    }
    if (!CodeIsInLoadedModule()) {
        return false;
    }
    // Set before the exchange so a call arriving right after it can already forward.
    g_target.real_bitblt = real;
    if (!SwapImportSlot(slot, reinterpret_cast<void*>(real), HookAddress())) {
        g_target.real_bitblt = nullptr;
        return false;
    }
    g_target.import_slot = slot;
    return true;
}

void RemoveBitBltHook() {
    if (g_target.import_slot == nullptr) {
        return;
    }
    if (SwapImportSlot(g_target.import_slot, HookAddress(),
                       reinterpret_cast<void*>(g_target.real_bitblt))) {
        g_target.import_slot = nullptr;
        return;
    }
    DebugLine("BitBlt import changed by another hook; retaining chain.\n");
    PinModule();
}

BOOL WINAPI HookedBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                         DWORD rop) {
    BitBltFunction real = g_target.real_bitblt;
    if (real == nullptr) {
        return 0;
    }
    if (MustPassThrough(destination, cx, cy, source, rop)) {
        return real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    RECT client = {};
    if (!GetClientRect(g_target.window, &client) || client.right <= 0 || client.bottom <= 0) {
        return real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    ClippedCopy copy = {};
    if (!ClipCopyToClient(x, y, cx, cy, sx, sy, client.right, client.bottom, copy)) {
        return real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    BOOL result = 0;
    try {
        RefreshThemeColours();
        g_render_busy = true;
        result = PresentCorrected(destination, source, copy, client.right, client.bottom);
    } catch (...) {
        result = 0; // the host still gets its frame below
    }
    if (!result) {
        result = real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    g_render_busy = false;
    return result;
}
