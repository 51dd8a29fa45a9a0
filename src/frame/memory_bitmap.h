// A bitmap selected into its own memory device context, and the one order of releasing it.
#pragma once

#include <windows.h>

// The bitmap cannot be deleted while selected: the original object goes back into the DC, the
// DC is deleted, then the bitmap. Every handle is cleared; safe on a partly built pair.
inline void ReleaseMemoryBitmap(HDC& dc, HGDIOBJ& previous_object, HBITMAP& bitmap) {
    if (dc != nullptr) {
        if (previous_object != nullptr) {
            SelectObject(dc, previous_object);
            previous_object = nullptr;
        }
        DeleteDC(dc);
        dc = nullptr;
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
}
