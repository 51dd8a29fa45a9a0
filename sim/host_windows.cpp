#include "host_windows.h"

#include <algorithm>
#include <climits>
#include <string>

#include "arrange_paint.h"
#include "presentation_modes.h"
#include "projects.h"
#include "registrations.h"
#include "scene.h"
#include "theme.h"
#include "window_pixels.h"

namespace sim {

namespace {

constexpr wchar_t kMainClass[] = L"MurivoSimHostMain";
constexpr wchar_t kArrangeClass[] = L"REAPERTrackListWindow";
constexpr wchar_t kDockerClass[] = L"REAPERDocker";
constexpr UINT_PTR kHostTimerId = 1;
constexpr UINT kHostTimerMs = 30;
// A frameless top-level window: without a window manager under Xvfb, Wine waits about a
// second for every framed window to be unmapped, which would make each test slow.
constexpr DWORD kMainStyle = WS_POPUP | WS_CLIPCHILDREN;

HWND g_main = nullptr;
HWND g_arrange = nullptr;
HWND g_docker = nullptr;
int g_docker_width = 0;
int g_docker_height = 0;
HMENU g_extensions_menu = nullptr;
bool g_window_timer = false;
int g_paint_count = 0;
int g_timer_ticks = 0;
bool g_erases = true;

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

COLORREF ThemeColourRef(const char* key, COLORREF fallback) {
    int colour = ThemeColour(key);
    return colour >= 0 ? static_cast<COLORREF>(colour) : fallback;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush != nullptr) {
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
}

void PaintArrangeView(HWND, uint32_t* pixels, int width, int height) {
    PaintArrange(CurrentScene(), pixels, width, height);
}

LRESULT CALLBACK ArrangeProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return HostViewMessage(window, message, wparam, lparam, PaintArrangeView, ProbedView::kArrange,
                           g_paint_count);
}

// The track control panel left of the arrange view: one box per track with its name.
void PaintTrackPanel(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) {
        return;
    }
    RECT client = {};
    GetClientRect(window, &client);
    FillSolid(dc, client, ThemeColourRef("col_tcp_bg", RGB(48, 48, 52)));
    const Scene& scene = CurrentScene();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(220, 220, 220));
    HGDIOBJ previous_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    int top = 0;
    for (size_t i = 0; i < scene.tracks.size(); ++i) {
        const SceneTrack& track = scene.tracks[i];
        RECT box = {4, top + 2, kTrackPanelWidth - 4, top + track.height - 2};
        FillSolid(dc, box, track.selected ? RGB(80, 92, 110) : RGB(62, 62, 68));
        if (track.colour >= 0) {
            RECT strip = {box.left, box.top, box.left + 6, box.bottom};
            FillSolid(dc, strip, static_cast<COLORREF>(track.colour));
        }
        std::wstring label = std::to_wstring(i + 1) + L"  ";
        label.append(track.name.begin(), track.name.end());
        TextOutW(dc, box.left + 12, box.top + 6, label.c_str(), static_cast<int>(label.size()));
        top += track.height;
    }
    SelectObject(dc, previous_font);
    EndPaint(window, &paint);
}

// The host asks the toggle callbacks for every command item of a menu it is about to show.
void ApplyToggleStates(HMENU menu) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        UINT id = GetMenuItemID(menu, i);
        if (id == static_cast<UINT>(-1) || id == 0) {
            continue;
        }
        int state = QueryToggleState(static_cast<int>(id));
        if (state != -1) {
            CheckMenuItem(menu, static_cast<UINT>(i),
                          MF_BYPOSITION | (state == 1 ? MF_CHECKED : MF_UNCHECKED));
        }
    }
}

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_TIMER:
        if (wparam == kHostTimerId) {
            ++g_timer_ticks;
            TickTimers();
        }
        return 0;
    case WM_INITMENUPOPUP:
        if (reinterpret_cast<HMENU>(wparam) == g_extensions_menu) {
            CallMenuHooks("Main extensions", g_extensions_menu, 1);
        }
        ApplyToggleStates(reinterpret_cast<HMENU>(wparam));
        return 0;
    case WM_COMMAND:
        // Menu picks reach the extension as the host's actions do.
        if (HIWORD(wparam) == 0 && lparam == 0) {
            DispatchCommand(LOWORD(wparam));
        }
        return 0;
    case WM_PAINT:
        PaintTrackPanel(window);
        return 0;
    case WM_CLOSE:
        return 0; // the run ends when the sandbox says so
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool RegisterClasses() {
    // The arrange view is erased with its class brush before each paint that asks for it, as
    // the host's view is; whoever does not want the flash must answer WM_ERASEBKGND itself.
    return RegisterHostClass(kMainClass, MainProc, -1, 0) &&
           RegisterHostClass(kArrangeClass, ArrangeProc, COLOR_WINDOW, CS_DBLCLKS) &&
           RegisterHostClass(kDockerClass, DefWindowProcW, COLOR_BTNFACE, 0);
}

HWND CreateArrange(int id) {
    const Scene& scene = CurrentScene();
    return CreateWindowExW(0, kArrangeClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                           kTrackPanelWidth, 0, scene.arrange_width, scene.arrange_height, g_main,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
}

// The docker spans the main window's width below the arrange view.
void PlaceDocker(int arrange_width, int arrange_height) {
    if (g_docker != nullptr) {
        SetWindowPos(g_docker, nullptr, 0, arrange_height,
                     std::max(kTrackPanelWidth + arrange_width, g_docker_width), g_docker_height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void FitMainWindow(int arrange_width, int arrange_height) {
    RECT frame = {0, 0, std::max(kTrackPanelWidth + arrange_width, g_docker_width),
                  std::max(arrange_height + g_docker_height, 200)};
    AdjustWindowRectEx(&frame, kMainStyle, TRUE, 0);
    SetWindowPos(g_main, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

bool RegisterHostClass(const wchar_t* name, WNDPROC procedure, int background, UINT style) {
    WNDCLASSEXW existing = {};
    if (GetClassInfoExW(Instance(), name, &existing)) {
        return true;
    }
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof window_class;
    window_class.style = style;
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = Instance();
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = background >= 0 ? GetSysColorBrush(background) : nullptr;
    window_class.lpszClassName = name;
    return RegisterClassExW(&window_class) != 0;
}

LRESULT HostViewMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                        ViewPainter painter, ProbedView view, int& paints) {
    switch (message) {
    case WM_PAINT:
        paints += PaintWindow(window, painter, view) ? 1 : 0;
        return 0;
    case WM_ERASEBKGND:
        return g_erases ? DefWindowProcW(window, message, wparam, lparam) : 1;
    case WM_DESTROY:
        ReleaseBackBuffer(window);
        return 0;
    default:
        return DefWindowProcW(window, message, wparam, lparam);
    }
}

bool CreateHostWindows(bool window_timer) {
    DestroyHostWindows();
    if (!RegisterClasses()) {
        return false;
    }
    HMENU menu_bar = CreateMenu();
    g_extensions_menu = CreatePopupMenu();
    if (menu_bar != nullptr && g_extensions_menu != nullptr) {
        AppendMenuW(menu_bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(g_extensions_menu),
                    L"Extensions");
    }
    g_main = CreateWindowExW(0, kMainClass, L"Murivo sandbox host", kMainStyle, 0, 0, 640, 480,
                             nullptr, menu_bar, Instance(), nullptr);
    if (g_main == nullptr) {
        // A menu bar is owned by its window; without one it is ours to destroy.
        if (menu_bar != nullptr) {
            DestroyMenu(menu_bar);
        } else if (g_extensions_menu != nullptr) {
            DestroyMenu(g_extensions_menu);
        }
        g_extensions_menu = nullptr;
        return false;
    }
    g_docker_width = 0;
    g_docker_height = 0;
    FitMainWindow(CurrentScene().arrange_width, CurrentScene().arrange_height);
    g_arrange = CreateArrange(kArrangeDialogItem);
    // Hidden and empty until a window docks in it.
    g_docker =
        CreateWindowExW(0, kDockerClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0,
                        CurrentScene().arrange_height, 0, 0, g_main, nullptr, Instance(), nullptr);
    ShowWindow(g_main, SW_SHOWNOACTIVATE);
    UpdateWindow(g_main);
    g_window_timer = window_timer && SetTimer(g_main, kHostTimerId, kHostTimerMs, nullptr) != 0;
    g_paint_count = 0;
    g_timer_ticks = 0;
    return g_arrange != nullptr;
}

void DestroyHostWindows() {
    if (g_main != nullptr) {
        if (g_window_timer) {
            KillTimer(g_main, kHostTimerId);
        }
        DestroyWindow(g_main); // destroys the arrange view and the menu bar with it
        PumpMessages();
    }
    ReleaseBackBuffers();
    g_main = nullptr;
    g_arrange = nullptr;
    g_docker = nullptr;
    g_extensions_menu = nullptr;
    g_window_timer = false;
}

HWND MainWindow() {
    return g_main;
}

HWND ArrangeWindow() {
    return g_arrange;
}

HMENU ExtensionsMenu() {
    return g_extensions_menu;
}

int ArrangeClientWidth() {
    RECT client = {};
    if (g_arrange == nullptr || !GetClientRect(g_arrange, &client)) {
        return 0;
    }
    return client.right - client.left;
}

HWND ReplaceArrangeWindow() {
    if (g_main == nullptr) {
        return nullptr;
    }
    // Created under another id first, so the new handle cannot reuse the old one's.
    HWND replacement = CreateArrange(0);
    if (replacement == nullptr) {
        return nullptr;
    }
    if (g_arrange != nullptr) {
        DestroyWindow(g_arrange);
    }
    SetWindowLongPtrW(replacement, GWLP_ID, kArrangeDialogItem);
    g_arrange = replacement;
    return g_arrange;
}

void ShowArrange(bool visible) {
    if (g_arrange != nullptr) {
        ShowWindow(g_arrange, visible ? SW_SHOWNA : SW_HIDE);
    }
}

void ResizeArrange(int width, int height) {
    Scene& scene = CurrentScene();
    scene.arrange_width = width;
    scene.arrange_height = height;
    if (g_main == nullptr || g_arrange == nullptr) {
        return;
    }
    FitMainWindow(width, height);
    SetWindowPos(g_arrange, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PlaceDocker(width, height);
}

HWND DockerWindow() {
    return g_docker;
}

void SetDockerSize(int width, int height) {
    g_docker_width = width;
    g_docker_height = height;
    if (g_main != nullptr) {
        const Scene& scene = CurrentScene();
        FitMainWindow(scene.arrange_width, scene.arrange_height);
        PlaceDocker(scene.arrange_width, scene.arrange_height);
    }
}

void RedrawArrange() {
    if (g_arrange != nullptr) {
        InvalidateRect(g_arrange, nullptr, FALSE);
        UpdateWindow(g_arrange);
    }
}

void SwitchProjectTab(int index) {
    SetCurrentProject(index);
    if (g_main != nullptr) {
        RedrawWindow(g_main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

void PumpMessages() {
    PumpMessagesUntil(ULLONG_MAX);
}

void PumpMessagesUntil(unsigned long long deadline) {
    MSG message;
    while (GetTickCount64() < deadline && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

void SetArrangeErases(bool erases) {
    g_erases = erases;
}

WNDPROC HostArrangeProcedure() {
    return ArrangeProc;
}

int ArrangePaintCount() {
    return g_paint_count;
}

int WindowTimerTickCount() {
    return g_timer_ticks;
}

bool CaptureArrange(std::vector<uint32_t>& pixels, int& width, int& height) {
    return CaptureClientPixels(g_arrange, pixels, width, height);
}

} // namespace sim
