// Module state owned by the plug-in entry.
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

// The teardown sequence; safe in any state.
void UnloadExtension();
