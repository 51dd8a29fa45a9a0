// Not yet built: the BitBlt import hook. Until it lands every attach runs in fallback mode.
#include "intercept/bitblt_hook.h"

#include "host/debug_line.h"

bool InstallBitBltHook() {
    DebugLine("BitBlt import unavailable or already hooked.\n");
    return false;
}

void RemoveBitBltHook() {}

BOOL WINAPI HookedBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                         DWORD rop) {
    return BitBlt(destination, x, y, cx, cy, source, sx, sy, rop);
}
