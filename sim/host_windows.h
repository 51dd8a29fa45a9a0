// The host's main window with an Extensions menu, and its arrange view: dialog item 1000 of
// class "REAPERTrackListWindow", painted into a back buffer and presented with one BitBlt
// through the executable's own gdi32 import. Test controls replace, hide and resize it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace sim {

inline constexpr int kArrangeDialogItem = 1000;
inline constexpr int kTrackPanelWidth = 200;

// Creates both windows from the current scene, shown. With window_timer the registered timer
// callbacks run from a ~30 ms window timer; without, tests call TickTimers themselves.
bool CreateHostWindows(bool window_timer);
void DestroyHostWindows();

HWND MainWindow();
HWND ArrangeWindow();
HMENU ExtensionsMenu();
int ArrangeClientWidth(); // 0 without an arrange view

// Destroys the arrange view and creates a new one (a different handle) at dialog item 1000.
HWND ReplaceArrangeWindow();
void ShowArrange(bool visible);
void ResizeArrange(int width, int height);
void RedrawArrange(); // invalidate and paint now
// A click on project tab index: it becomes the current project and the host repaints its
// windows at once, the arrange view included.
void SwitchProjectTab(int index);

// Dispatches every queued message; returns at once when the queue is empty.
void PumpMessages();
// The same, but returns once GetTickCount64 reaches deadline: a host whose timer callbacks take
// longer than the timer's period never finds its queue empty.
void PumpMessagesUntil(unsigned long long deadline);

// Whether the arrange view lets the system erase it with its class brush before paints that ask
// for it (the default, as the host's view does), or answers WM_ERASEBKGND itself untouched.
void SetArrangeErases(bool erases);

// The host's own arrange window procedure, to tell whether someone replaced it.
WNDPROC HostArrangeProcedure();

int ArrangePaintCount();
int WindowTimerTickCount(); // ticks driven by the window timer

// What the arrange view shows on screen, as 0x00RRGGBB pixels, top-down.
bool CaptureArrange(std::vector<uint32_t>& pixels, int& width, int& height);

} // namespace sim
