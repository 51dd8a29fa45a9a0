// Murivo's window procedure on the arrange view: forwards every message to the procedure that was
// there before and corrects the frame after paints and interactions the hook did not correct.
#include "intercept/arrange_subclass.h"

#include "base/callback_guard.h"
#include "base/debug_line.h"
#include "base/module_pin.h"
#include "base/plugin_state.h"
#include "frame/wallpaper_image.h"
#include "present/arrange_target.h"
#include "present/arrange_theme.h"
#include "present/render.h"

namespace {

constexpr const wchar_t* kForwardingProperty = L"Murivo.OriginalArrangeProc";

bool IsInteraction(UINT message) {
    switch (message) {
    case WM_SETFOCUS:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        return true;
    default:
        return false;
    }
}

// The procedure this window had before ours; looked up per window so a chain retained on an
// earlier window keeps forwarding to that window's own procedure.
WNDPROC ForwardingTarget(HWND window) {
    auto stored = reinterpret_cast<WNDPROC>(GetPropW(window, kForwardingProperty));
    return stored != nullptr ? stored : g_target.previous_proc;
}

LRESULT Forward(WNDPROC target, HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (target == nullptr) {
        return DefWindowProcW(window, message, wparam, lparam);
    }
    return CallWindowProcW(target, window, message, wparam, lparam);
}

void CorrectAfter(HWND window, UINT message) {
    if (message == WM_PAINT) {
        RenderAndPresent(window, true);
    } else if (IsInteraction(message)) {
        if (HookedMode()) {
            ScheduleDeferredCorrection();
        } else {
            RenderAndPresent(window, true);
        }
    }
}

bool CodeIsInLoadedModule() {
    HMODULE module = nullptr;
    return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                  GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&ArrangeWindowProc), &module) != 0;
}

void RetainChain(const char* line) {
    DebugLine(line);
    PinOwnModule(); // the chain we leave in place keeps calling into this module
    g_target.subclass_installed = false;
}

} // namespace

bool InstallArrangeSubclass() {
    HWND window = g_target.window;
    if (window == nullptr || g_target.subclass_installed) {
        return g_target.subclass_installed;
    }
    if (!CodeIsInLoadedModule()) {
        return false;
    }
    // A chain retained from an earlier session still calls our procedure; installing again
    // would make the other party's procedure our forwarding target and loop.
    if (GetPropW(window, kForwardingProperty) != nullptr) {
        DebugLine("Arrange view still carries a retained forwarding chain; not subclassing.\n");
        return false;
    }
    SetLastError(0);
    auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ArrangeWindowProc)));
    DWORD error = GetLastError();
    if (old == nullptr && error != 0) {
        DebugLinef("SetWindowLongPtr failed: %lu", static_cast<unsigned long>(error));
        return false;
    }
    g_target.previous_proc = old;
    if (!SetPropW(window, kForwardingProperty, reinterpret_cast<HANDLE>(old))) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        DebugLine("Unable to store Arrange forwarding procedure.\n");
        return false;
    }
    g_target.subclass_installed = true;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    return true;
}

void RemoveArrangeSubclass() {
    HWND window = g_target.window;
    if (!g_target.subclass_installed || window == nullptr || g_target.previous_proc == nullptr) {
        return;
    }
    if (!IsWindow(window)) {
        g_target.subclass_installed = false;
        return;
    }
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&ArrangeWindowProc)) {
        RetainChain("Arrange subclass changed; retaining forwarding chain.\n");
        return;
    }
    SetLastError(0);
    if (SetWindowLongPtrW(window, GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(g_target.previous_proc)) == 0 &&
        GetLastError() != 0) {
        RetainChain("Unable to restore Arrange subclass; retaining forwarding chain.\n");
        return;
    }
    RemovePropW(window, kForwardingProperty);
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    g_target.subclass_installed = false;
}

LRESULT CALLBACK ArrangeWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    WNDPROC target = ForwardingTarget(window);
    if (ShuttingDown() || window != g_target.window || !g_target.subclass_installed) {
        return Forward(target, window, message, wparam, lparam);
    }
    if (message == WM_PAINT || message == WM_THEMECHANGED) {
        RunGuarded([] { RefreshArrangeTheme(); });
    } else if (message == WM_ERASEBKGND && IsWallpaperLoaded()) {
        return 1; // the wallpaper frame covers the client area; erasing would only flicker
    }
    uint32_t before = g_target.present_count;
    LRESULT result = Forward(target, window, message, wparam, lparam);
    if (g_target.present_count == before) {
        RunGuarded([&] { CorrectAfter(window, message); });
    }
    return result;
}
