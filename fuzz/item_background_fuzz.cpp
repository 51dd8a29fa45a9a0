// libFuzzer target: the item layout built from hostile host answers, then the item background
// search and mask over arbitrary captured pixels and rectangles, and FindItemBackground on its
// own with arbitrary item records inside the frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "frame/frame_view.h"
#include "fuzz_arrange.h"
#include "keying/item_overlay.h"

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

    if (UpdateItemLayout(W, H)) {
        CheckLayout(W, H);
        const std::vector<uint8_t> classes = g_item_overlay.class_map;
        // Same answers again: the layout is kept as it is.
        if (!UpdateItemLayout(W, H) || g_item_overlay.class_map != classes) {
            std::abort();
        }
    }

    const int x0 = in.Range(0, W - 1);
    const int y0 = in.Range(0, H - 1);
    const int w = in.Range(0, W - x0);
    const int h = in.Range(0, H - y0);
    const int band_left = in.U8() < 200 ? in.Range(-8, W + 8) : int(in.U32());
    const int band_right = in.U8() < 200 ? in.Range(-8, W + 8) : int(in.U32());
    BuildItemBackgroundMask(w, h, x0, y0, band_left, band_right);
    const std::vector<uint8_t>& mask = g_item_overlay.item_mask;
    if (!mask.empty() && mask.size() != size_t(w) * size_t(h)) {
        std::abort();
    }
    for (uint8_t m : mask) {
        if (m > kMarkedNear) {
            std::abort();
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
        if (FindItemBackground(r, xl, xr, yt, yb, x0, y0, &colour) && colour > 0xFFFFFF) {
            std::abort();
        }
    }
    ResetFuzzArrange();
    return 0;
}
