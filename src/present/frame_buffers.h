// The persistent surfaces working, fitted and lastFrame at an attached view's client size (the
// arrange view's, or a MIDI editor note view's). Their size, the placed picture rectangle and
// lastFrameValid live in the view's FrameView (for the arrange view g_frame, frame_view.h),
// which this module keeps in step with the surfaces.
#pragma once

#include <windows.h>

#include <cstdint>

#include "frame/frame_view.h"
#include "frame/memory_bitmap.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"

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
    // fitted holds no fit yet (a note view waits for the picture thread's): nothing is keyed.
    bool unfitted;
};

extern FrameBuffers g_frame_buffers;

// One attached view's frame state: the arrange view's lives in the module globals, each note
// view's in its own record.
struct ViewFrame {
    FrameView* frame;
    FrameBuffers* buffers;
    ItemOverlay* items; // the media items' layout; a note view has none and keeps it empty
    const ThemeColourSet* theme;
    uint32_t* present_count; // corrected frames presented through the hook
    bool note_view;          // no media items; its fits come only from the picture thread
};

// The arrange view's: g_frame, g_frame_buffers, g_item_overlay, g_theme.
ViewFrame ArrangeFrame();

// True when all three surfaces exist at exactly this size on return. Callers call it only while
// a picture is loaded. A size that failed is not tried again for 1000 ms. A view that changed
// size gets its last fit stretched (refit_wanted set); the arrange view's first fit is made
// here, a note view's is asked of the picture thread (unfitted and refit_wanted set).
bool EnsureFrameBuffers(const ViewFrame& view, HDC reference, int width, int height);
inline bool EnsureFrameBuffers(HDC reference, int width, int height) {
    return EnsureFrameBuffers(ArrangeFrame(), reference, width, height);
}

// Frees the surfaces, the per-frame state and the item overlay's layout; safe when nothing exists.
void ReleaseFrameBuffers(const ViewFrame& view);
inline void ReleaseFrameBuffers() {
    ReleaseFrameBuffers(ArrangeFrame());
}

// Redraws fitted from the shown picture for the current settings and sets the placed rectangle.
// Expects the surfaces to exist at this size.
void FitWallpaper(const ViewFrame& view, int width, int height);
inline void FitWallpaper(int width, int height) {
    FitWallpaper(ArrangeFrame(), width, height);
}

// Takes a surface fitted elsewhere (the picture thread) as fitted when the surfaces exist at
// exactly its size, or do not exist yet and can be made at it; made then holds the surface it
// replaced (empty when there was none), the caller's to free. False, made untouched, otherwise.
bool AdoptFittedSurface(const ViewFrame& view, MemoryBitmap& made, int width, int height,
                        PixelRect picture_rect);
inline bool AdoptFittedSurface(MemoryBitmap& made, int width, int height, PixelRect picture_rect) {
    return AdoptFittedSurface(ArrangeFrame(), made, width, height, picture_rect);
}

// A 32-bit top-down DIB section of width x height; null on failure.
HBITMAP CreateFrameDib(HDC reference, int width, int height, uint32_t** pixels);

// Device contexts of the arrange view's surfaces, or null while they do not exist.
inline HDC WorkingDc() {
    return g_frame_buffers.working.dc;
}
inline HDC FittedDc() {
    return g_frame_buffers.fitted.dc;
}
inline HDC LastFrameDc() {
    return g_frame_buffers.last_frame.dc;
}
