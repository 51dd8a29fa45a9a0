#include "support/modal_driver.h"

#include <commctrl.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "registrations.h"

namespace {

struct Watcher {
    std::wstring title;
    std::function<void(HWND)> script;
};

std::vector<Watcher> g_watchers;
std::vector<std::function<bool(HWND)>> g_menu_scripts;
UINT_PTR g_timer = 0;
DWORD g_watchdog_deadline = 0;
bool g_watchdog_armed = false;
bool g_watchdog_fired = false;

BOOL CALLBACK CloseDialog(HWND window, LPARAM) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

HWND FindThreadDialog(const std::wstring& title) {
    HWND window = FindWindowW(L"#32770", title.c_str());
    if (window == nullptr || !IsWindowVisible(window) ||
        GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) {
        return nullptr;
    }
    return window;
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    // The host's timer keeps running inside every modal loop: its callbacks every other tick.
    static unsigned ticks = 0;
    if (++ticks % 2 == 0) {
        sim::TickTimers();
    }
    if (g_watchdog_armed && static_cast<int32_t>(GetTickCount() - g_watchdog_deadline) >= 0) {
        if (!g_watchdog_fired) {
            ADD_FAILURE() << "a dialog was still open when the watchdog ran out";
        }
        g_watchdog_fired = true;
        EndMenu();
        EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
    }
    if (!g_menu_scripts.empty()) {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (menu != nullptr && IsWindowVisible(menu) &&
            GetWindowThreadProcessId(menu, nullptr) == GetCurrentThreadId() &&
            g_menu_scripts.front()(menu)) {
            g_menu_scripts.erase(g_menu_scripts.begin());
        }
        return;
    }
    for (size_t i = 0; i < g_watchers.size(); ++i) {
        HWND dialog = FindThreadDialog(g_watchers[i].title);
        if (dialog != nullptr) {
            Watcher watcher = std::move(g_watchers[i]);
            g_watchers.erase(g_watchers.begin() + static_cast<ptrdiff_t>(i));
            watcher.script(dialog);
            return; // the list may have changed under a nested loop
        }
    }
}

void EnsureTimer() {
    if (g_timer == 0) {
        g_timer = SetTimer(nullptr, 0, 15, OnTick);
    }
}

} // namespace

void WhenDialogAppears(const std::wstring& title, std::function<void(HWND)> script) {
    g_watchers.push_back({title, std::move(script)});
    EnsureTimer();
}

void WhileMenuIsOpen(std::function<bool(HWND)> script) {
    g_menu_scripts.push_back(std::move(script));
    EnsureTimer();
}

DialogWatchdog::DialogWatchdog(DWORD ms) {
    g_watchdog_deadline = GetTickCount() + ms;
    g_watchdog_armed = true;
    g_watchdog_fired = false;
    EnsureTimer();
}

DialogWatchdog::~DialogWatchdog() {
    g_watchdog_armed = false;
    if (g_timer != 0) {
        KillTimer(nullptr, g_timer);
        g_timer = 0;
    }
}

bool DialogWatchdog::Fired() const {
    return g_watchdog_fired;
}

int TakeUnseenDialogs() {
    int count = static_cast<int>(g_watchers.size() + g_menu_scripts.size());
    g_watchers.clear();
    g_menu_scripts.clear();
    return count;
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(1);
    }
}

void Click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Scroll(HWND dialog, int id, int position, int code) {
    HWND slider = GetDlgItem(dialog, id);
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(slider));
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

void SendKillFocus(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void PressEnter(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    SetFocus(control);
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(control, WM_KEYUP, VK_RETURN, 0xC0000001);
}

void CancelChooserWhenItAppears() {
    WhenDialogAppears(L"Open",
                      [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); });
}

std::wstring PicturesFolder() {
    PWSTR folder = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Pictures, 0, nullptr, &folder))) {
        result = folder;
    }
    CoTaskMemFree(folder);
    return result;
}

std::wstring TempPath(const std::wstring& name) {
    wchar_t directory[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, directory);
    return std::wstring(directory) + name;
}

std::wstring WriteSolidBmp(const std::wstring& name, int width, int height, uint32_t rgb) {
    std::wstring path = TempPath(name);
    int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::vector<uint8_t> row(static_cast<size_t>(stride), 0);
    for (int x = 0; x < width; ++x) {
        row[x * 3] = rgb & 0xFF;
        row[x * 3 + 1] = (rgb >> 8) & 0xFF;
        row[x * 3 + 2] = (rgb >> 16) & 0xFF;
    }
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr) {
        ADD_FAILURE() << "cannot write the test picture";
        return path;
    }
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    for (int y = 0; y < height; ++y) {
        std::fwrite(row.data(), row.size(), 1, out);
    }
    std::fclose(out);
    return path;
}
