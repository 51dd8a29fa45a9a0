// Module state set by the plug-in entry and read by everyone: the host's main window, this
// module, and whether the extension is going away.
#pragma once

#include <windows.h>

#include <atomic>

extern HWND g_host_main_window;
extern HINSTANCE g_module_instance;
extern bool g_timer_registered;
// Read by the window procedure and the BitBlt replacement, which can run during unload.
extern std::atomic<int> g_shutting_down;

inline bool ShuttingDown() {
    return g_shutting_down.load() != 0;
}
