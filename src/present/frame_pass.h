// One capture, composite and present of a rectangle of an attached view: the sequence that the
// render outside the host's drawing and the BitBlt hook inside it share.
#pragma once

#include <windows.h>

#include "keying/item_overlay.h"
#include "present/arrange_target.h"
#include "present/frame_buffers.h"

struct FramePass {
    HDC source; // the capture is read from here, at (sx, sy)
    int sx;
    int sy;
    HDC destination; // the corrected rectangle goes here; the frame buffers are made for it
    int x;           // the rectangle, client coordinates; presented at the same place
    int y;
    int w;
    int h;
    int client_w;
    int client_h;
    BitBltFunction blit; // null: BitBlt through our own import (the hook passes the real one)
    bool protect;        // the capture came from the screen: keep pixels of the last frame
    // Asked after the item layout and before the composite; null when there is no host frame.
    HostFrame (*host_frame)(const void* context);
    const void* context;
};

struct FramePassResult {
    bool captured;  // the frame buffers exist and the capture succeeded
    BOOL presented; // what the presenting BitBlt returned; 0 when not captured
};

// Captures into the view's working surface, lays out the items (the arrange view's), composites
// when the layout succeeded and presents. The kept last frame is the caller's business. Not
// captured while a note view still waits for its first fit.
FramePassResult RunFramePass(const ViewFrame& view, const FramePass& pass);
inline FramePassResult RunFramePass(const FramePass& pass) {
    return RunFramePass(ArrangeFrame(), pass);
}
