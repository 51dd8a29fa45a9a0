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
void RenderInto(HDC window_dc, int width, int height, bool keep_last_frame) {
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
    if (!RunFramePass(pass).captured) {
        return;
    }
    HDC last_frame = LastFrameDc();
    if (keep_last_frame && last_frame != nullptr) {
        BitBlt(last_frame, 0, 0, width, height, WorkingDc(), 0, 0, SRCCOPY);
        g_frame.last_frame_valid = true;
    }
}

} // namespace

void RenderAndPresent(HWND window, bool keep_last_frame) {
    if (g_render_busy || !IsWallpaperLoaded()) {
        return;
    }
    g_render_busy = true;
    RECT client = {};
    if (GetClientRect(window, &client) && client.right - client.left > 0 &&
        client.bottom - client.top > 0) {
        if (HDC dc = GetDC(window)) {
            try {
                RenderInto(dc, client.right - client.left, client.bottom - client.top,
                           keep_last_frame);
            } catch (...) {
                // A failed frame is abandoned; the screen keeps what the host drew.
            }
            ReleaseDC(window, dc);
        }
    }
    g_render_busy = false;
}

void RepresentLastFrame(HWND window) {
    HDC last_frame = LastFrameDc();
    if (!g_frame.last_frame_valid || last_frame == nullptr || g_frame.width <= 0 ||
        g_frame.height <= 0) {
        return;
    }
    HDC dc = GetDC(window);
    if (dc == nullptr) {
        return;
    }
    BitBlt(dc, 0, 0, g_frame.width, g_frame.height, last_frame, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
}
