// The persistent surfaces working, fitted and lastFrame at the arrange view's client size.
// Their size, the placed picture rectangle and lastFrameValid live in g_frame (frame_view.h),
// which this module keeps in step with the surfaces.
#pragma once

#include <windows.h>

#include <cstdint>

#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"

struct FrameSurface {
    HBITMAP bitmap;          // 32-bit top-down DIB section of the frame size
    HDC dc;                  // memory DC with bitmap selected
    HGDIOBJ previous_object; // what dc held before bitmap; put back before dc is deleted
    uint32_t* pixels;        // the DIB memory; read only after GdiFlush when GDI drew into it
};

struct FrameBuffers {
    FrameSurface working;
    FrameSurface fitted;
    FrameSurface last_frame;
    // The last size whose creation failed (0 after a release) and the tick of that attempt.
    int failed_width;
    int failed_height;
    uint32_t failed_tick;
    // fitted is not the picture's own fit at this size: stretched from another size, or made
    // from a reduced copy too small for it. The picture thread is to fit it afresh.
    bool refit_wanted;
};

extern FrameBuffers g_frame_buffers;

// True when all three surfaces exist at exactly this size on return. Callers call it only while
// a picture is loaded. A size that failed is not tried again for 1000 ms. A view that changed
// size gets its last fit stretched (refit_wanted set); the first fit is made here.
bool EnsureFrameBuffers(HDC reference, int width, int height);

// Frees the surfaces, the per-frame state and the item overlay's layout; safe when nothing exists.
void ReleaseFrameBuffers();

// Redraws fitted from the shown picture for the current settings and sets the placed rectangle.
// Expects the surfaces to exist at this size.
void FitWallpaper(int width, int height);

// Takes a surface fitted elsewhere (the picture thread) as fitted when the surfaces exist at
// exactly its size, or do not exist yet and can be made at it; made then holds the surface it
// replaced (empty when there was none), the caller's to free. False, made untouched, otherwise.
bool AdoptFittedSurface(MemoryBitmap& made, int width, int height, PixelRect picture_rect);

// A 32-bit top-down DIB section of width x height; null on failure.
HBITMAP CreateFrameDib(HDC reference, int width, int height, uint32_t** pixels);

// Device contexts of the surfaces, or null while they do not exist.
inline HDC WorkingDc() {
    return g_frame_buffers.working.dc;
}
inline HDC FittedDc() {
    return g_frame_buffers.fitted.dc;
}
inline HDC LastFrameDc() {
    return g_frame_buffers.last_frame.dc;
}
