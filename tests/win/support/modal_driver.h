// Driving modal dialogs from inside their own modal loops: a thread timer finds each expected
// dialog by title and runs a script on it; a watchdog closes anything left open.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// Runs script on the UI thread once a visible dialog with this title exists. Scripts may open
// further dialogs; their watchers must be registered before.
void WhenDialogAppears(const std::wstring& title, std::function<void(HWND)> script);

// Runs script on the UI thread at every tick of an open popup menu's modal loop (the menu window
// is passed) until it returns true.
void WhileMenuIsOpen(std::function<bool(HWND)> script);

// While alive, every menu and dialog of this thread still open after ms is closed and the test
// fails.
struct DialogWatchdog {
    explicit DialogWatchdog(DWORD ms);
    ~DialogWatchdog();
    bool Fired() const;
};

// Number of watched dialogs and menu scripts that never ran to their end; clears both lists.
int TakeUnseenDialogs();

// Dispatches this thread's messages for ms milliseconds (dialog timers included).
void PumpFor(DWORD ms);

// Clicks a button the way a user does (the checkbox toggles, the owner hears BN_CLICKED).
void Click(HWND dialog, int id);
// Moves a trackbar and sends its owner the scroll notification code.
void Scroll(HWND dialog, int id, int position, int code);
std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
// The notification an edit box sends when it loses the focus.
void SendKillFocus(HWND dialog, int id);
// Enter typed into a control: it takes the focus, and the key goes through the dialog's own
// modal loop, which turns it into the default button's command once the script returns.
void PressEnter(HWND dialog, int id);
// Cancels the system file chooser when it appears, as a user closing it would.
void CancelChooserWhenItAppears();

// A 24-bit BMP of one colour (0x00RRGGBB) in the temporary directory; returns its path.
std::wstring WriteSolidBmp(const std::wstring& name, int width, int height, uint32_t rgb);
std::wstring TempPath(const std::wstring& name);
// The user's Pictures folder as Windows names it; empty when it has none.
std::wstring PicturesFolder();
