// Bitmaps held in memory device contexts: how they are made and the one order of releasing them.
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

// A 32-bit top-down DIB section. With a null reference the screen's context is borrowed for the
// call only.
inline HBITMAP CreateTopDownDib(HDC reference, int width, int height, void** pixels) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC screen = reference == nullptr ? GetDC(nullptr) : nullptr;
    HBITMAP bitmap = CreateDIBSection(reference != nullptr ? reference : screen, &info,
                                      DIB_RGB_COLORS, pixels, nullptr, 0);
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return bitmap;
}
