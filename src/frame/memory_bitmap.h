// Bitmaps held in memory device contexts: how they are made and the one order of releasing them.
// Header only, so that the simulator, the tests and the benchmarks use the same code.
#pragma once

#include <windows.h>

#include <cstdint>

// A bitmap selected into its own memory DC.
struct MemoryBitmap {
    HBITMAP bitmap = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous_object = nullptr; // what dc held before bitmap; put back before dc is deleted
    uint32_t* pixels = nullptr;        // a DIB section's memory, rows without gaps
};

// Where making a memory bitmap stopped.
enum class MemoryBitmapStep { done, bitmap, dc, selection };

// The header of a width x height 32-bit top-down DIB.
inline BITMAPINFO TopDownDibInfo(int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A 32-bit top-down DIB section. With a null reference the screen's context is borrowed for the
// call only.
inline HBITMAP CreateTopDownDib(HDC reference, int width, int height, uint32_t** pixels) {
    const BITMAPINFO info = TopDownDibInfo(width, height);
    HDC screen = reference == nullptr ? GetDC(nullptr) : nullptr;
    void* memory = nullptr;
    HBITMAP bitmap = CreateDIBSection(reference != nullptr ? reference : screen, &info,
                                      DIB_RGB_COLORS, &memory, nullptr, 0);
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    *pixels = static_cast<uint32_t*>(memory);
    return bitmap;
}

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

inline void ReleaseMemoryBitmap(MemoryBitmap& made) {
    ReleaseMemoryBitmap(made.dc, made.previous_object, made.bitmap);
    made.pixels = nullptr;
}

// Selects made.bitmap into a new memory DC compatible with reference (the screen when null).
// Takes ownership of the bitmap: on failure it is deleted with the DC, made is cleared and the
// step that failed is returned.
inline MemoryBitmapStep SelectIntoMemoryDc(HDC reference, MemoryBitmap& made) {
    made.dc = CreateCompatibleDC(reference);
    if (made.dc == nullptr) {
        ReleaseMemoryBitmap(made);
        return MemoryBitmapStep::dc;
    }
    HGDIOBJ previous = SelectObject(made.dc, made.bitmap);
    if (previous == nullptr || previous == HGDI_ERROR) {
        ReleaseMemoryBitmap(made); // a DC without its bitmap draws nowhere
        return MemoryBitmapStep::selection;
    }
    made.previous_object = previous;
    return MemoryBitmapStep::done;
}

// A width x height 32-bit top-down DIB section in a memory DC, both compatible with reference
// (the screen when null): the section, the DC, the selection, in that order. On failure nothing
// is left and the step that failed is returned.
inline MemoryBitmapStep CreateMemoryBitmap(HDC reference, int width, int height,
                                           MemoryBitmap& made) {
    made = {};
    made.bitmap = CreateTopDownDib(reference, width, height, &made.pixels);
    if (made.bitmap == nullptr || made.pixels == nullptr) {
        ReleaseMemoryBitmap(made);
        return MemoryBitmapStep::bitmap;
    }
    return SelectIntoMemoryDc(reference, made);
}
