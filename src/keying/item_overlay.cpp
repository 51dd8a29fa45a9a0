#include "keying/item_overlay.h"

#include <cstddef>
#include <cstdint>

ItemOverlay g_item_overlay;

void ResetItemOverlay(ItemOverlay& overlay) {
    // A fresh record gives the memory back; clear() would keep it.
    overlay = ItemOverlay{};
}

bool RegionInsideFrame(const FrameView& f, const ItemOverlay& o, int w, int h, int x0, int y0) {
    if (f.working == nullptr || f.width <= 0 || f.height <= 0) {
        return false;
    }
    if (w < 0 || h < 0 || x0 < 0 || y0 < 0 || int64_t(x0) + w > f.width ||
        int64_t(y0) + h > f.height) {
        return false;
    }
    return o.class_map.empty() || (o.layout_width == f.width && o.layout_height == f.height &&
                                   o.class_map.size() == size_t(f.width) * size_t(f.height));
}
