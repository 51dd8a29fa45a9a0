// Renders a corrected frame outside the host's drawing: read what the arrange view shows, key
// and blend, put it back, keep it as the last frame.
#include "present/render.h"

#include "frame/frame_view.h"
#include "frame/wallpaper_image.h"
#include "present/frame_buffers.h"
#include "present/frame_pass.h"

bool g_render_busy = false;

namespace {

// Steps between taking the window's DC and giving it back; the caller releases it.
void RenderInto(const ViewFrame& view, HDC window_dc, int width, int height, bool keep_last_frame) {
    const FramePass pass = {.source = window_dc,
                            .sx = 0,
                            .sy = 0,
                            .destination = window_dc,
                            .x = 0,
                            .y = 0,
                            .w = width,
                            .h = height,
                            .client_w = width,
                            .client_h = height,
                            .blit = nullptr,
                            .protect = true,
                            .host_frame = nullptr,
                            .context = nullptr};
    if (!RunFramePass(view, pass).captured) {
        return;
    }
    HDC last_frame = view.buffers->last_frame.dc;
    if (keep_last_frame && last_frame != nullptr) {
        BitBlt(last_frame, 0, 0, width, height, view.buffers->working.dc, 0, 0, SRCCOPY);
        view.frame->last_frame_valid = true;
    }
}

} // namespace

void RenderAndPresent(const ViewFrame& view, HWND window, bool keep_last_frame) {
    if (g_render_busy || !IsWallpaperLoaded()) {
        return;
    }
    g_render_busy = true;
    RECT client = {};
    if (GetClientRect(window, &client) && client.right - client.left > 0 &&
        client.bottom - client.top > 0) {
        if (HDC dc = GetDC(window)) {
            try {
                RenderInto(view, dc, client.right - client.left, client.bottom - client.top,
                           keep_last_frame);
            } catch (...) {
                // A failed frame is abandoned; the screen keeps what the host drew.
            }
            ReleaseDC(window, dc);
        }
    }
    g_render_busy = false;
}

void RepresentLastFrame(const ViewFrame& view, HWND window) {
    const FrameView& frame = *view.frame;
    HDC last_frame = view.buffers->last_frame.dc;
    if (!frame.last_frame_valid || last_frame == nullptr || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return;
    }
    BitBlt(dc, 0, 0, frame.width, frame.height, last_frame, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}
