#include "frame/soften.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kChannels = 4;       // every byte of a pixel is blurred alike, the unused one too
constexpr int kMaxFactor = 16;     // 16 x 16 bytes still sum in 16 bits
constexpr int kMaxBoxRadius = 127; // so do 255 rows of a box pass
constexpr double kMaxShare = 0.03;

// Working images are bytes, kChannels a pixel, rows packed.
struct Plane {
    std::vector<uint8_t> bytes;
    int width = 0;
    int height = 0;
    uint8_t* Row(int y) { return bytes.data() + size_t(y) * size_t(width) * kChannels; }
};

// Radii of three box passes whose sum of variances is sigma squared (the usual widths rule:
// some passes one size, the rest the next odd size up).
void BoxRadii(double sigma, int radii[3]) {
    const double ideal = std::sqrt(12.0 * sigma * sigma / 3.0 + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0) {
        --lower;
    }
    lower = std::max(lower, 1);
    const double passes =
        (12.0 * sigma * sigma - 3.0 * lower * lower - 12.0 * lower - 9.0) / (-4.0 * lower - 4.0);
    const int at_lower = int(std::lround(passes));
    for (int i = 0; i < 3; ++i) {
        radii[i] = std::min(((i < at_lower ? lower : lower + 2) - 1) / 2, kMaxBoxRadius);
    }
}

// One box pass down every column at once, edges extended: a running 16-bit sum per byte and
// its mean as the high half of a 16-bit product, which vectorises on any x86-64. The reciprocal
// is rounded up, so a flat area keeps its exact value (windows under 257 rows).
void BoxColumns(Plane& in, Plane& out, int r, std::vector<uint16_t>& sums) {
    const int n = in.width * kChannels;
    const int h = in.height;
    if (r == 0) {
        out.bytes = in.bytes;
        return;
    }
    const uint32_t count = uint32_t(2 * r + 1);
    const auto reciprocal = uint16_t((65536u + count - 1) / count);
    sums.assign(size_t(n), 0);
    for (int i = -r; i <= r; ++i) {
        const uint8_t* row = in.Row(std::clamp(i, 0, h - 1));
        for (int k = 0; k < n; ++k) {
            sums[k] = uint16_t(sums[k] + row[k]);
        }
    }
    uint16_t* sum = sums.data();
    for (int y = 0; y < h; ++y) {
        uint8_t* target = out.Row(y);
        const uint8_t* entering = in.Row(std::min(y + r + 1, h - 1));
        const uint8_t* leaving = in.Row(std::max(y - r, 0));
        int k = 0;
#if defined(__SSE2__)
        // The compiler does not find the 16-bit high-half multiply by itself.
        const __m128i factor = _mm_set1_epi16(int16_t(reciprocal));
        const __m128i zero = _mm_setzero_si128();
        for (; k + 16 <= n; k += 16) {
            auto* lanes = reinterpret_cast<__m128i*>(sum + k);
            const __m128i low = _mm_loadu_si128(lanes);
            const __m128i high = _mm_loadu_si128(lanes + 1);
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(target + k),
                _mm_packus_epi16(_mm_mulhi_epu16(low, factor), _mm_mulhi_epu16(high, factor)));
            const __m128i in_bytes =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(entering + k));
            const __m128i out_bytes =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(leaving + k));
            _mm_storeu_si128(lanes,
                             _mm_sub_epi16(_mm_add_epi16(low, _mm_unpacklo_epi8(in_bytes, zero)),
                                           _mm_unpacklo_epi8(out_bytes, zero)));
            _mm_storeu_si128(lanes + 1,
                             _mm_sub_epi16(_mm_add_epi16(high, _mm_unpackhi_epi8(in_bytes, zero)),
                                           _mm_unpackhi_epi8(out_bytes, zero)));
        }
#endif
        for (; k < n; ++k) {
            target[k] = uint8_t((uint32_t(sum[k]) * reciprocal) >> 16);
            sum[k] = uint16_t(sum[k] + entering[k] - leaving[k]);
        }
    }
}

// Rows become columns, in cache-sized tiles.
void Transpose(const Plane& in, Plane& out) {
    constexpr int kTile = 32;
    out.width = in.height;
    out.height = in.width;
    out.bytes.resize(in.bytes.size());
    const auto* source = reinterpret_cast<const uint32_t*>(in.bytes.data());
    auto* target = reinterpret_cast<uint32_t*>(out.bytes.data());
    for (int y0 = 0; y0 < in.height; y0 += kTile) {
        for (int x0 = 0; x0 < in.width; x0 += kTile) {
            const int y1 = std::min(y0 + kTile, in.height);
            const int x1 = std::min(x0 + kTile, in.width);
            for (int y = y0; y < y1; ++y) {
                for (int x = x0; x < x1; ++x) {
                    target[size_t(x) * in.height + y] = source[size_t(y) * in.width + x];
                }
            }
        }
    }
}

// Three box passes down the columns, then the same across the rows (as columns of the
// transposed image, which keeps every pass a vectorised sweep).
void GaussianLike(Plane& image, Plane& scratch, double sigma) {
    int radii[3];
    BoxRadii(sigma, radii);
    std::vector<uint16_t> sums;
    auto passes = [&](Plane& a, Plane& b) {
        b.width = a.width;
        b.height = a.height;
        b.bytes.resize(a.bytes.size());
        for (int r : radii) {
            BoxColumns(a, b, r, sums);
            std::swap(a.bytes, b.bytes);
        }
    };
    passes(image, scratch);
    Transpose(image, scratch);
    passes(scratch, image);
    Transpose(scratch, image);
}

// Averages factor x factor blocks of the rect into small (partial blocks at the far edges).
// Rows are first summed byte by byte (16 bits hold 16 x 16 bytes), then across each block.
void Shrink(const uint32_t* pixels, int stride, PixelRect rect, int factor, Plane& small) {
    const int w = rect.right - rect.left;
    const int n = w * kChannels;
    std::vector<uint16_t> column_sums(static_cast<size_t>(n));
    for (int sy = 0; sy < small.height; ++sy) {
        std::fill(column_sums.begin(), column_sums.end(), uint16_t(0));
        const int y0 = rect.top + sy * factor;
        const int y1 = std::min(y0 + factor, int(rect.bottom));
        for (int y = y0; y < y1; ++y) {
            const auto* row =
                reinterpret_cast<const uint8_t*>(pixels + size_t(y) * stride + rect.left);
            for (int k = 0; k < n; ++k) {
                column_sums[k] = uint16_t(column_sums[k] + row[k]);
            }
        }
        uint8_t* out = small.Row(sy);
        const uint32_t full_span = uint32_t(factor * (y1 - y0));
        const uint32_t full_reciprocal = (65536u * 256u + full_span / 2) / full_span;
        for (int sx = 0; sx < small.width; ++sx) {
            const int x0 = sx * factor;
            const int x1 = std::min(x0 + factor, w);
            uint32_t sum[kChannels] = {};
            for (int x = x0; x < x1; ++x) {
                for (int c = 0; c < kChannels; ++c) {
                    sum[c] += column_sums[x * kChannels + c];
                }
            }
            // Whole blocks divide by a fixed-point reciprocal; the last, partial one divides.
            const uint32_t span = uint32_t((x1 - x0) * (y1 - y0));
            for (int c = 0; c < kChannels; ++c) {
                out[sx * kChannels + c] =
                    span == full_span
                        ? uint8_t((uint64_t(sum[c]) * full_reciprocal + (uint64_t(1) << 23)) >> 24)
                        : uint8_t((sum[c] + span / 2) / span);
            }
        }
    }
}

// Where output position p (of a side `full` long) falls between two small samples whose
// centres lie `factor` apart: the lower sample and the upper one's weight out of 256.
struct Tap {
    int lower;
    int upper;
    int weight;
};

// (a x (256 - weight) + b x weight) / 256 rounded, for the four bytes at once: each byte gets a
// 16-bit lane of a 64-bit word, where the sum cannot overflow (255 x 256 + 128).
uint32_t MixPixels(uint32_t a, uint32_t b, int weight) {
    constexpr uint64_t kLanes = 0x00FF00FF00FF00FFull;
    auto spread = [](uint32_t p) { return (uint64_t(p) | (uint64_t(p) << 24)) & kLanes; };
    const uint64_t mixed =
        spread(a) * uint64_t(256 - weight) + spread(b) * uint64_t(weight) + 0x0080008000800080ull;
    const uint64_t bytes = (mixed >> 8) & kLanes;
    return uint32_t(bytes | (bytes >> 24));
}

Tap TapFor(int p, int factor, int small_side) {
    const double u = (p + 0.5) / factor - 0.5;
    if (u <= 0) {
        return {0, 0, 0};
    }
    const int lower = std::min(int(u), small_side - 1);
    const int upper = std::min(lower + 1, small_side - 1);
    return {lower, upper, int(std::lround((u - lower) * 256))};
}

// Bilinear enlargement of small back onto the rect: each small row is widened once, then output
// rows mix the two widened rows around them.
void Enlarge(Plane& small, int factor, uint32_t* pixels, int stride, PixelRect rect) {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    std::vector<Tap> columns(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        columns[x] = TapFor(x, factor, small.width);
    }
    std::vector<uint8_t> widened[2] = {std::vector<uint8_t>(size_t(w) * kChannels),
                                       std::vector<uint8_t>(size_t(w) * kChannels)};
    int widened_row[2] = {-1, -1};
    auto widen = [&](int sy) -> const uint8_t* {
        for (int i = 0; i < 2; ++i) {
            if (widened_row[i] == sy) {
                return widened[i].data();
            }
        }
        const int slot = widened_row[0] < widened_row[1] ? 0 : 1;
        const auto* in = reinterpret_cast<const uint32_t*>(small.Row(sy));
        auto* out = reinterpret_cast<uint32_t*>(widened[slot].data());
        for (int x = 0; x < w; ++x) {
            const Tap t = columns[x];
            out[x] = MixPixels(in[t.lower], in[t.upper], t.weight);
        }
        widened_row[slot] = sy;
        return widened[slot].data();
    };
    for (int y = 0; y < h; ++y) {
        const Tap t = TapFor(y, factor, small.height);
        const uint8_t* a = widen(t.lower);
        const uint8_t* b = widen(t.upper);
        auto* out = reinterpret_cast<uint8_t*>(pixels + size_t(rect.top + y) * stride + rect.left);
        // At most 255 x 256 + 128: 16-bit arithmetic, which vectorises well.
        const auto upper = uint16_t(t.weight);
        const auto lower = uint16_t(256 - t.weight);
        for (int k = 0; k < w * kChannels; ++k) {
            out[k] = uint8_t(uint16_t(a[k] * lower + b[k] * upper + 128) >> 8);
        }
    }
}

} // namespace

int SoftenRadius(int blur_permille, int view_width, int view_height) {
    if (blur_permille <= 0 || view_width <= 0 || view_height <= 0) {
        return 0;
    }
    const int side = std::min(view_width, view_height);
    return int(std::lround(std::min(blur_permille, 1000) / 1000.0 * kMaxShare * side));
}

bool SoftenPixels(uint32_t* pixels, int stride, PixelRect rect, int radius) {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (pixels == nullptr || radius <= 0 || w <= 0 || h <= 0 || stride < rect.right) {
        return true;
    }
    // The radius is about two standard deviations: the blur fades out near it.
    const double sigma = radius / 2.0;
    // A wide blur is computed on a smaller copy, about three samples per standard deviation,
    // and enlarged back: the same look for a fraction of the work.
    const int factor = std::clamp(int(sigma / 1.5), 1, kMaxFactor);
    try {
        Plane small;
        small.width = (w + factor - 1) / factor;
        small.height = (h + factor - 1) / factor;
        small.bytes.resize(size_t(small.width) * size_t(small.height) * kChannels);
        Plane scratch = small;
        if (factor == 1) {
            for (int y = 0; y < h; ++y) {
                std::memcpy(small.Row(y), pixels + size_t(rect.top + y) * stride + rect.left,
                            size_t(w) * kChannels);
            }
        } else {
            Shrink(pixels, stride, rect, factor, small);
        }
        // Shrinking and enlarging blur a little themselves (about factor squared over four).
        const double residual = std::max(sigma * sigma - factor * factor / 4.0, 0.25);
        GaussianLike(small, scratch, std::sqrt(residual) / factor);
        if (factor == 1) {
            for (int y = 0; y < h; ++y) {
                std::memcpy(pixels + size_t(rect.top + y) * stride + rect.left, small.Row(y),
                            size_t(w) * kChannels);
            }
        } else {
            Enlarge(small, factor, pixels, stride, rect);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
