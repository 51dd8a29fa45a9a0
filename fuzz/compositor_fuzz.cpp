// libFuzzer target: CompositeRegion over arbitrary captured pixels, theme, settings, items and
// time selection. Rectangles inside the frame must leave everything outside them and every
// fourth byte as it was; rectangles outside the frame (negative, too large, overflowing) must
// be refused without touching a pixel.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "frame/frame_view.h"
#include "fuzz_arrange.h"
#include "keying/compositor.h"
#include "keying/item_layout.h"
#include "keying/item_overlay.h"
#include "keying/theme_colours.h"
#include "settings/project_settings.h"

namespace {

int WildInt(FuzzInput& in, int lo, int hi) {
    const uint8_t pick = in.U8();
    if (pick < 216) {
        return in.Range(lo, hi);
    }
    static const int kEdges[] = {-1, -2147483647 - 1, 2147483647, 2147483647 - 1, 65536, -65536};
    return pick < 240 ? kEdges[pick % 6] : int(in.U32());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    FuzzArrange a;
    BuildFuzzArrange(in, a, 128);
    const int W = a.width;
    const int H = a.height;
    const bool layout = UpdateItemLayout(g_item_overlay, g_theme, W, H);
    if ((in.U8() & 3) == 0) {
        ResetItemOverlay(); // no items at all, as after a failed layout
    }

    const bool contract = (in.U8() & 7) != 0;
    int x0, y0, w, h;
    if (contract) {
        x0 = in.Range(0, W);
        y0 = in.Range(0, H);
        w = in.Range(0, W - x0);
        h = in.Range(0, H - y0);
    } else {
        x0 = WildInt(in, -4, W + 4);
        y0 = WildInt(in, -4, H + 4);
        w = WildInt(in, -4, W + 4);
        h = WildInt(in, -4, H + 4);
    }
    const bool inside =
        x0 >= 0 && y0 >= 0 && w >= 0 && h >= 0 && int64_t(x0) + w <= W && int64_t(y0) + h <= H;
    const bool protect = (in.U8() & 1) != 0;

    const std::vector<uint32_t> before = a.working;
    CompositeRegion(
        {w, h, x0, y0, protect, g_frame, g_current_settings, g_item_overlay, {}, g_theme});
    (void)layout;

    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * size_t(W) + size_t(x);
            const bool in_rect = inside && x < w && y < h;
            if (!in_rect && a.working[i] != before[i]) {
                std::abort(); // written outside the rectangle, or after refusing it
            }
            if ((a.working[i] ^ before[i]) >> 24 != 0) {
                std::abort(); // the fourth byte is never blended
            }
        }
    }
    ResetFuzzArrange();
    return 0;
}
