#pragma once

#include <windows.h>

bool InstallBitBltHook();
void RemoveBitBltHook();
BOOL WINAPI HookedBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                         DWORD rop);
