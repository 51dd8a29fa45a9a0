// Replaces the host executable's BitBlt import so the arrange view's back buffer is corrected
// on its way to the screen and the uncorrected image never shows.
#include "intercept/bitblt_hook.h"

#include <algorithm>
#include <cstdint>

#include "base/debug_line.h"
#include "base/module_pin.h"
#include "base/plugin_state.h"
#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "intercept/copy_clip.h"
#include "intercept/import_table.h"
#include "keying/item_overlay.h"
#include "present/arrange_target.h"
#include "present/arrange_theme.h"
#include "present/frame_buffers.h"
#include "present/frame_pass.h"
#include "present/note_views.h"
#include "present/render.h"

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

// The attached view a copy goes to, or null when it must pass through. The cheap tests first:
// flags, thread, operation, size and DCs before any system call.
HWND CopyTarget(HDC destination, int cx, int cy, HDC source, DWORD rop, ViewFrame& view) {
    if (ShuttingDown() || GetCurrentThreadId() != g_target.thread_id || g_render_busy ||
        g_target.window == nullptr || !IsWallpaperLoaded() || rop != SRCCOPY || cx <= 0 ||
        cy <= 0 || source == destination) {
        return nullptr;
    }
    HWND window = WindowFromDC(destination);
    if (window == g_target.window) {
        view = ArrangeFrame();
    } else if (NoteView* note = AttachedNoteView(window)) {
        view = NoteFrame(*note);
    } else {
        return nullptr;
    }
    if (GetMapMode(destination) != MM_TEXT || GetMapMode(source) != MM_TEXT) {
        return nullptr;
    }
    return window;
}

// +1 when the DIB's memory holds its top row first, -1 when its bottom row, 0 when a few
// probes read through the DC cannot tell (the header's height sign is not reliable).
int RowOrder(HDC source, const DIBSECTION& dib) {
    constexpr int kProbes = 8;
    const int width = dib.dsBm.bmWidth;
    const int height = dib.dsBm.bmHeight;
    const auto* bits = static_cast<const uint8_t*>(dib.dsBm.bmBits);
    bool top_down = true;
    bool bottom_up = true;
    for (int i = 0; i < kProbes && (top_down || bottom_up); ++i) {
        const int x = int(int64_t{width - 1} * i / (kProbes - 1));
        const int y = int(int64_t{height - 1} * (int64_t{2} * i + 1) / (int64_t{2} * kProbes));
        const COLORREF shown = GetPixel(source, x, y);
        auto stored = [&](int row) {
            uint32_t p =
                reinterpret_cast<const uint32_t*>(bits + int64_t{row} * dib.dsBm.bmWidthBytes)[x];
            return COLORREF(((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16));
        };
        top_down = top_down && shown == stored(y);
        bottom_up = bottom_up && shown == stored(height - 1 - y);
    }
    return top_down == bottom_up ? 0 : (top_down ? 1 : -1);
}

// The host's back buffer as the item detection reads it, when it is a plain 32-bit DIB section
// addressed without any transform: client point (x, y) is its pixel (x + sx - dx, y + sy - dy).
HostFrame BackBufferFrame(HDC source, const ClippedCopy& c, int client_w, int client_h) {
    HostFrame frame;
    DIBSECTION dib = {};
    POINT viewport = {};
    POINT origin = {};
    auto bitmap = static_cast<HBITMAP>(GetCurrentObject(source, OBJ_BITMAP));
    if (bitmap == nullptr || GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib ||
        dib.dsBm.bmBits == nullptr || dib.dsBm.bmBitsPixel != 32 ||
        GetGraphicsMode(source) != GM_COMPATIBLE || !GetViewportOrgEx(source, &viewport) ||
        !GetWindowOrgEx(source, &origin) || viewport.x != origin.x || viewport.y != origin.y) {
        return frame;
    }
    const int64_t shift_x = int64_t{c.sx} - c.dx;
    const int64_t shift_y = int64_t{c.sy} - c.dy;
    const int64_t height = dib.dsBm.bmHeight;
    const int64_t left = std::max<int64_t>(0, -shift_x);
    const int64_t top = std::max<int64_t>(0, -shift_y);
    const int64_t right = std::min<int64_t>(client_w, dib.dsBm.bmWidth - shift_x);
    const int64_t bottom = std::min<int64_t>(client_h, height - shift_y);
    if (right <= left || bottom <= top) {
        return frame;
    }
    const int64_t stride = dib.dsBm.bmWidthBytes;
    int orientation = RowOrder(source, dib);
    if (orientation == 0) {
        return frame;
    }
    const bool bottom_up = orientation < 0;
    frame.bits = static_cast<const uint8_t*>(dib.dsBm.bmBits);
    frame.row_bytes = bottom_up ? -stride : stride;
    // Bitmap row r lies at r * stride, or at (height - 1 - r) * stride bottom-up.
    const int64_t first_row = bottom_up ? (height - 1 - shift_y) * stride : shift_y * stride;
    frame.origin = first_row + shift_x * 4;
    frame.left = static_cast<int32_t>(left);
    frame.top = static_cast<int32_t>(top);
    frame.right = static_cast<int32_t>(right);
    frame.bottom = static_cast<int32_t>(bottom);
    return frame;
}

struct BackBuffer {
    HDC source;
    const ClippedCopy* copy;
    int client_w;
    int client_h;
};

HostFrame ReadBackBuffer(const void* context) {
    const BackBuffer& b = *static_cast<const BackBuffer*>(context);
    return BackBufferFrame(b.source, *b.copy, b.client_w, b.client_h);
}

// Corrects and presents the clipped copy; 0 when the host's own copy must be made instead.
BOOL PresentCorrected(const ViewFrame& view, HDC destination, HDC source, const ClippedCopy& c,
                      int client_w, int client_h) {
    BitBltFunction real = g_target.real_bitblt;
    const BackBuffer back = {source, &c, client_w, client_h};
    const FramePass pass = {.source = source,
                            .sx = c.sx,
                            .sy = c.sy,
                            .destination = destination,
                            .x = c.dx,
                            .y = c.dy,
                            .w = c.w,
                            .h = c.h,
                            .client_w = client_w,
                            .client_h = client_h,
                            .blit = real,
                            .protect = false,
                            .host_frame = ReadBackBuffer,
                            .context = &back};
    const BOOL result = RunFramePass(view, pass).presented;
    if (!result) {
        return 0;
    }
    ++*view.present_count;
    // A copy of the whole view makes a whole last frame; a part only updates a valid one.
    const bool whole = c.dx == 0 && c.dy == 0 && c.w == client_w && c.h == client_h;
    HDC last_frame = view.buffers->last_frame.dc;
    if ((view.frame->last_frame_valid || whole) && last_frame != nullptr) {
        real(last_frame, c.dx, c.dy, c.w, c.h, view.buffers->working.dc, 0, 0, SRCCOPY);
        view.frame->last_frame_valid = true;
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
    // Any thread may have read the slot and be about to call us, however late; no removal can
    // wait for that, so the code stays mapped once the slot held it.
    PinOwnModule();
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
}

BOOL WINAPI HookedBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                         DWORD rop) {
    BitBltFunction real = g_target.real_bitblt;
    if (real == nullptr) {
        return 0;
    }
    ViewFrame view = {};
    HWND window = CopyTarget(destination, cx, cy, source, rop, view);
    if (window == nullptr) {
        return real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    RECT client = {};
    if (!GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) {
        return real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    ClippedCopy copy = {};
    if (!ClipCopyToClient(x, y, cx, cy, sx, sy, client.right, client.bottom, copy)) {
        return real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    BOOL result = 0;
    try {
        if (view.note_view) {
            RefreshNoteTheme();
        } else {
            RefreshArrangeTheme();
        }
        g_render_busy = true;
        result = PresentCorrected(view, destination, source, copy, client.right, client.bottom);
    } catch (...) {
        result = 0; // the host still gets its frame below
    }
    if (!result) {
        result = real(destination, x, y, cx, cy, source, sx, sy, rop);
    }
    g_render_busy = false;
    return result;
}
