#pragma once

#include <windows.h>

bool InstallArrangeSubclass();
void RemoveArrangeSubclass();
LRESULT CALLBACK ArrangeWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
