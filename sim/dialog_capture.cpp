#include "dialog_capture.h"

#include <windows.h>

#include <cstdint>
#include <vector>

#include "language_pack.h"
#include "png_writer.h"
#include "text_file.h"
#include "ui/dialog_ids.h"
#include "window_pixels.h"

namespace sim {

namespace {

struct DialogShot {
    const char* name;
    const char* action;
    const char* title; // English, as the extension asks the language pack for it
    int opener;        // button of the settings dialog that opens it; 0: the action does
};

constexpr DialogShot kDialogShots[] = {
    {"settings", "MURIVOSETTINGS", "Murivo settings", 0},
    {"tint", "MURIVOSETTINGS", "Image tint color", kTintButton},
    {"items", "MURIVOSETTINGS", "Item background transparency", kItemsButton},
    {"about", "MURIVOABOUT", "About Murivo %s", 0},
};
constexpr const char* kSettingsTitle = "Murivo settings";
constexpr UINT kTickMs = 15;
// From the dialog's first sighting to the copy: its first paint, the controls' and the
// preview's, all come from the modal loop in between.
constexpr DWORD kSettleMs = 400;

enum class Phase { kOpening, kSettling, kClosing };

struct CaptureRun {
    const DialogShot* shot = nullptr;
    std::string path;
    DWORD started = 0;
    Phase phase = Phase::kOpening;
    bool opener_clicked = false;
    HWND settings = nullptr;
    HWND target = nullptr;
    DWORD target_seen = 0;
    bool captured = false;
    bool watchdog_fired = false;
    std::string message;
};

// The capture in progress; the thread timer's callback has no other way to reach it.
CaptureRun* g_run = nullptr;

const DialogShot* FindShot(const std::string& name) {
    for (const DialogShot& shot : kDialogShots) {
        if (name == shot.name) {
            return &shot;
        }
    }
    return nullptr;
}

struct DialogSearch {
    const wchar_t* title_start;
    HWND found;
};

bool IsVisibleDialog(HWND window) {
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    return std::wstring(class_name) == L"#32770" && IsWindowVisible(window);
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM lparam) {
    auto* search = reinterpret_cast<DialogSearch*>(lparam);
    if (!IsVisibleDialog(window)) {
        return TRUE;
    }
    wchar_t title[128] = {};
    GetWindowTextW(window, title, 128);
    if (std::wstring(title).starts_with(search->title_start)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The title as the extension shows it in the host's language, up to About's version.
HWND FindThreadDialog(const char* english_title) {
    std::string title = LocalizeString(english_title, "Murivo", 1);
    title = title.substr(0, title.find("%s"));
    const std::wstring title_start = Utf8ToWide(title);
    DialogSearch search = {title_start.c_str(), nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CloseDialog(HWND window, LPARAM) {
    if (IsVisibleDialog(window)) {
        PostMessageW(window, WM_CLOSE, 0, 0);
    }
    return TRUE;
}

// A click as the button itself reports it; posted, so the nested dialog's modal loop runs
// from the settings dialog's loop and not inside this timer callback.
void PostClick(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Capture(CaptureRun& run) {
    // Anything still waiting to paint goes out first.
    RedrawWindow(run.target, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    GdiFlush();
    std::vector<uint32_t> pixels;
    int width = 0;
    int height = 0;
    std::string error;
    // Under Wine the frame and caption belong to the window manager (none under Xvfb), so the
    // window DC has nothing to show outside the client area.
    if (!CaptureClientPixels(run.target, pixels, width, height)) {
        run.message = "cannot read the dialog's window";
        return;
    }
    if (!WritePng(run.path, pixels.data(), width, height, error)) {
        run.message = error;
        return;
    }
    wchar_t title[128] = {};
    GetWindowTextW(run.target, title, 128);
    run.captured = true;
    run.message = "screenshot " + DisplayPath(run.path) + " (" + std::to_string(width) + "x" +
                  std::to_string(height) + "), title \"" + WideToUtf8(title) + "\"";
}

void Step(CaptureRun& run, DWORD now) {
    if (now - run.started >= kDialogCaptureWatchdogMs) {
        run.watchdog_fired = true;
        EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
        return;
    }
    switch (run.phase) {
    case Phase::kOpening:
        if (run.shot->opener != 0 && !run.opener_clicked) {
            run.settings = FindThreadDialog(kSettingsTitle);
            if (run.settings != nullptr) {
                PostClick(run.settings, run.shot->opener);
                run.opener_clicked = true;
            }
            return;
        }
        run.target = FindThreadDialog(run.shot->title);
        if (run.target != nullptr) {
            run.target_seen = now;
            run.phase = Phase::kSettling;
        }
        return;
    case Phase::kSettling:
        if (now - run.target_seen < kSettleMs) {
            return;
        }
        Capture(run);
        run.phase = Phase::kClosing;
        PostMessageW(run.target, WM_CLOSE, 0, 0);
        return;
    case Phase::kClosing:
        // The settings dialog that opened a nested one closes once that one has gone.
        if (run.settings != nullptr && !IsWindow(run.target) && IsWindow(run.settings)) {
            PostMessageW(run.settings, WM_CLOSE, 0, 0);
            run.settings = nullptr;
        }
        return;
    }
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_run == nullptr) {
        return;
    }
    try {
        Step(*g_run, GetTickCount());
    } catch (...) {
        // Out of memory while writing the file: give up on it and let the dialogs close.
        g_run->message = "out of memory while writing the screenshot";
        g_run->phase = Phase::kClosing;
        EnumThreadWindows(GetCurrentThreadId(), CloseDialog, 0);
    }
}

} // namespace

bool IsDialogShotName(const std::string& name) {
    return FindShot(name) != nullptr;
}

bool CaptureDialog(const std::string& name, const std::string& path,
                   const std::function<void(const std::string&)>& run_action,
                   std::string& message) {
    const DialogShot* shot = FindShot(name);
    if (shot == nullptr) {
        message = "'" + name + "' is not one of the dialogs (settings, tint, items, about)";
        return false;
    }
    CaptureRun run;
    run.shot = shot;
    run.path = path;
    run.started = GetTickCount();
    UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, OnTick);
    if (timer == 0) {
        message = "cannot start the dialog timer";
        return false;
    }
    g_run = &run;
    run_action(shot->action);
    g_run = nullptr;
    KillTimer(nullptr, timer);

    if (run.watchdog_fired) {
        message = "the " + name + " dialog was still open after " +
                  std::to_string(kDialogCaptureWatchdogMs) + " ms; closed it";
        if (run.target == nullptr) {
            message = "the " + name + " dialog did not open within " +
                      std::to_string(kDialogCaptureWatchdogMs) + " ms";
        }
        return false;
    }
    if (run.target == nullptr) {
        message = "the " + name + " dialog did not open";
        return false;
    }
    message = run.message;
    return run.captured;
}

} // namespace sim
