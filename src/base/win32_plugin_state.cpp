#include "base/plugin_state.h"

HWND g_host_main_window = nullptr;
HINSTANCE g_module_instance = nullptr;
bool g_timer_registered = false;
std::atomic<int> g_shutting_down{0};
