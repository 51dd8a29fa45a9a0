// libFuzzer target: the item layout built from hostile host answers, then the item background
// search and the row marks over arbitrary captured pixels and rectangles, and FindItemBackground
// on its own with arbitrary item records inside the frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "frame/frame_view.h"
#include "fuzz_arrange.h"
#include "keying/item_backgrounds.h"
#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"
#include "settings/project_settings.h"

namespace {

void CheckLayout(int width, int height) {
    const ItemOverlay& o = g_item_overlay;
    for (const ItemRect& r : o.items) {
        if (r.left < 0 || r.right > width || r.left >= r.right || r.top < 0 || r.bottom > height ||
            r.top >= r.bottom || r.kind < 1 || r.kind > 5) {
            std::abort();
        }
    }
    if (!o.class_map.empty() && o.class_map.size() != size_t(width) * size_t(height)) {
        std::abort();
    }
    if (!o.row_colours.empty() && o.row_colours.size() != size_t(height)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    FuzzArrange a;
    BuildFuzzArrange(in, a, 160);
    const int W = a.width;
    const int H = a.height;

    if (UpdateItemLayout(g_item_overlay, g_theme, W, H)) {
        CheckLayout(W, H);
        const std::vector<uint8_t> classes = g_item_overlay.class_map;
        // Same answers again: the layout is kept as it is.
        if (!UpdateItemLayout(g_item_overlay, g_theme, W, H) ||
            g_item_overlay.class_map != classes) {
            std::abort();
        }
    }

    const int x0 = in.Range(0, W - 1);
    const int y0 = in.Range(0, H - 1);
    const int w = in.Range(0, W - x0);
    const int h = in.Range(0, H - y0);
    const int band_left = in.U8() < 200 ? in.Range(-8, W + 8) : int(in.U32());
    const int band_right = in.U8() < 200 ? in.Range(-8, W + 8) : int(in.U32());
    const CompositeCall call = {
        w, h, x0, y0, false, g_frame, g_current_settings, g_item_overlay, {}, g_theme};
    if (FindItemBackgrounds(call, band_left, band_right)) {
        std::vector<uint8_t> row(size_t(w), 0);
        for (int i = 0; i < h; ++i) {
            const size_t client = size_t(y0 + i) * size_t(W) + size_t(x0);
            MarkItemBackgroundRow(g_item_overlay.backgrounds, y0 + i, w, x0,
                                  g_item_overlay.class_map.data() + client,
                                  g_frame.working + size_t(i) * size_t(W), row.data());
            for (uint8_t m : row) {
                if (m > kMarkedNear) {
                    std::abort();
                }
            }
        }
    }

    // A record anywhere in the frame, a segment anywhere in the rectangle.
    if (w > 0 && h > 0) {
        ItemRect r = {};
        r.left = in.Range(0, W - 1);
        r.right = in.Range(r.left + 1, W);
        r.top = in.Range(0, H - 1);
        r.bottom = in.Range(r.top + 1, H);
        r.kind = uint8_t(in.Range(1, 5));
        const int xl = in.Range(x0, x0 + w);
        const int xr = in.Range(xl, x0 + w);
        const int yt = in.Range(y0, y0 + h);
        const int yb = in.Range(yt, y0 + h);
        uint32_t colour = 0;
        if (FindItemBackground(call, {}, 0, r, xl, xr, yt, yb, &colour) && colour > 0xFFFFFF) {
            std::abort();
        }
    }
    ResetFuzzArrange();
    return 0;
}
