// The host's main window with an Extensions menu, and its arrange view: dialog item 1000 of
// class "REAPERTrackListWindow", painted into a back buffer and presented with one BitBlt
// through the executable's own gdi32 import. Test controls replace, hide and resize it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "presentation_modes.h"

namespace sim {

inline constexpr int kArrangeDialogItem = 1000;
inline constexpr int kTrackPanelWidth = 200;

// Registers a window class of the program once (a second call finds it): background is a system
// colour index for the class brush, -1 for none. False when it cannot be registered.
bool RegisterHostClass(const wchar_t* name, WNDPROC procedure, int background, UINT style);

// What the host's views (the arrange view, the note views) do with a message: paint with
// painter and present as view (counted in paints), erase with the class brush as
// SetArrangeErases says, free the back buffer when destroyed; the rest goes to DefWindowProc.
LRESULT HostViewMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                        ViewPainter painter, ProbedView view, int& paints);

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

// The docker area below the arrange view, a child of the main window where docked windows live
// (hidden until something shows it), and its size; the main window grows to hold it.
HWND DockerWindow();
void SetDockerSize(int width, int height);

// Dispatches every queued message; returns at once when the queue is empty.
void PumpMessages();
// The same, but returns once GetTickCount64 reaches deadline: a host whose timer callbacks take
// longer than the timer's period never finds its queue empty.
void PumpMessagesUntil(unsigned long long deadline);

// Whether the arrange view lets the system erase it with its class brush before paints that ask
// for it (the default, as the host's view does), or answers WM_ERASEBKGND itself untouched.
// The MIDI editors' note views follow the same setting.
void SetArrangeErases(bool erases);

// The host's own arrange window procedure, to tell whether someone replaced it.
WNDPROC HostArrangeProcedure();

int ArrangePaintCount();
int WindowTimerTickCount(); // ticks driven by the window timer

// What the arrange view shows on screen, as 0x00RRGGBB pixels, top-down.
bool CaptureArrange(std::vector<uint32_t>& pixels, int& width, int& height);

} // namespace sim
