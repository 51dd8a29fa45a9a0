#include "intercept/copy_clip.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

// Source coordinate of the first visible pixel; false when it does not fit an int.
bool ShiftedSource(int source, int destination, int& out) {
    int64_t shifted = destination < 0 ? int64_t{source} - destination : source;
    if (shifted > std::numeric_limits<int>::max()) {
        return false;
    }
    out = static_cast<int>(shifted);
    return true;
}

} // namespace

bool ClipCopyToClient(int x, int y, int cx, int cy, int sx, int sy, int client_w, int client_h,
                      ClippedCopy& out) {
    // 64-bit: -INT_MIN and client_w - x do not fit 32 bits.
    int64_t left_skip = x < 0 ? -int64_t{x} : 0;
    int64_t top_skip = y < 0 ? -int64_t{y} : 0;
    int64_t right = std::min(int64_t{client_w} - x, int64_t{cx});
    int64_t bottom = std::min(int64_t{client_h} - y, int64_t{cy});
    if (right <= left_skip || bottom <= top_skip) {
        return false;
    }
    ClippedCopy clipped = {};
    if (!ShiftedSource(sx, x, clipped.sx) || !ShiftedSource(sy, y, clipped.sy)) {
        return false;
    }
    // right <= cx and the skips are not negative, so both sizes fit an int.
    clipped.w = static_cast<int>(right - left_skip);
    clipped.h = static_cast<int>(bottom - top_skip);
    clipped.dx = std::max(x, 0);
    clipped.dy = std::max(y, 0);
    out = clipped;
    return true;
}
