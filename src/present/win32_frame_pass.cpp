#include "present/frame_pass.h"

#include "frame/frame_view.h"
#include "keying/compositor.h"
#include "keying/item_layout.h"
#include "keying/theme_colours.h"
#include "present/frame_buffers.h"
#include "settings/project_settings.h"

namespace {

BOOL Blit(const FramePass& p, HDC to, int x, int y, HDC from, int from_x, int from_y) {
    if (p.blit != nullptr) {
        return p.blit(to, x, y, p.w, p.h, from, from_x, from_y, SRCCOPY);
    }
    return BitBlt(to, x, y, p.w, p.h, from, from_x, from_y, SRCCOPY);
}

} // namespace

FramePassResult RunFramePass(const ViewFrame& view, const FramePass& p) {
    if (!EnsureFrameBuffers(view, p.destination, p.client_w, p.client_h) ||
        view.buffers->unfitted) {
        return {false, 0};
    }
    HDC working = view.buffers->working.dc;
    if (!Blit(p, working, 0, 0, p.source, p.sx, p.sy)) {
        return {false, 0};
    }
    GdiFlush(); // the compositor reads the DIB memory GDI just wrote
    // The note view shows no media items: its overlay stays empty.
    if (view.note_view || UpdateItemLayout(*view.items, *view.theme, p.client_w, p.client_h)) {
        // Only the media items read the host's frame beside the rectangle.
        const HostFrame host =
            p.host_frame != nullptr && !view.note_view ? p.host_frame(p.context) : HostFrame{};
        CompositeRegion({p.w, p.h, p.x, p.y, p.protect, *view.frame, g_current_settings,
                         *view.items, host, *view.theme});
    }
    return {true, Blit(p, p.destination, p.x, p.y, working, 0, 0)};
}
