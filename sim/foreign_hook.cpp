#include "foreign_hook.h"

#include "import_slot.h"

namespace sim {

namespace {

using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);

BitBltFunction g_next = nullptr;
int g_calls = 0;

BOOL WINAPI ForeignBitBlt(HDC destination, int x, int y, int cx, int cy, HDC source, int sx, int sy,
                          DWORD rop) {
    ++g_calls;
    return g_next != nullptr ? g_next(destination, x, y, cx, cy, source, sx, sy, rop) : FALSE;
}

} // namespace

bool InstallForeignBitBltHook() {
    void** slot = FindExecutableImportSlot("gdi32.dll", "BitBlt");
    if (slot == nullptr || *slot == ForeignBitBltFunction()) {
        return false;
    }
    g_calls = 0;
    g_next = reinterpret_cast<BitBltFunction>(*slot);
    SwapExecutableImport("gdi32.dll", "BitBlt", ForeignBitBltFunction());
    return true;
}

bool RemoveForeignBitBltHook() {
    void** slot = FindExecutableImportSlot("gdi32.dll", "BitBlt");
    if (slot == nullptr || *slot != ForeignBitBltFunction()) {
        return false;
    }
    SwapExecutableImport("gdi32.dll", "BitBlt", reinterpret_cast<void*>(g_next));
    g_next = nullptr;
    return true;
}

bool ForeignBitBltHookInstalled() {
    void** slot = FindExecutableImportSlot("gdi32.dll", "BitBlt");
    return slot != nullptr && *slot == ForeignBitBltFunction();
}

void* ForeignBitBltFunction() {
    return reinterpret_cast<void*>(&ForeignBitBlt);
}

void* ForeignBitBltNext() {
    return reinterpret_cast<void*>(g_next);
}

int ForeignBitBltCallCount() {
    return g_calls;
}

} // namespace sim
