#include "frame/soften.h"

#include <emmintrin.h> // SSE2, part of every x86-64 processor: the baseline path

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <new>
#include <vector>

#include "frame/soften_avx2.h"

// The blur streams: the picture is read a few rows at a time, shrunk, blurred along each row,
// then down the columns through a chain of row filters that keep only the rows they still
// need, and enlarged straight back into the surface. Nothing the size of the picture is
// allocated (fresh pages of a large buffer cost more than the blur itself) and every pass but
// the first read and the last write works on rows that stay in cache.

namespace {

constexpr int kChannels = 4;   // every byte of a pixel is blurred alike, the unused one too
constexpr int kMaxFactor = 16; // 16 x 16 bytes still sum in 16 bits
constexpr int kMaxBoxRadius = 127;
constexpr double kMaxShare = 0.03;
constexpr double kBoxOneVariance = 2.0 / 3.0; // a three-wide box
// Below this a blur stays at full size: halving and doubling back is too coarse for it.
constexpr double kLeastShrunkSigma = 2.5;

// One pass of a separable filter: a box of radius `radius`, or (radius 0) the three taps
// side, 256 - 2 side, side (out of 256).
struct Filter {
    int radius;
    int side;
};

// Passes whose variances add up to `variance` (in samples squared). A wide blur takes three
// boxes, sized by the usual widths rule; a narrow one takes three-wide boxes and a three-tap
// remainder, since boxes alone cannot make a variance under 2/3.
std::vector<Filter> FiltersFor(double variance) {
    std::vector<Filter> filters;
    if (variance >= 3 * kBoxOneVariance) {
        const double ideal = std::sqrt(4.0 * variance + 1.0);
        int lower = int(std::floor(ideal));
        if (lower % 2 == 0) {
            --lower;
        }
        const double passes =
            (12.0 * variance - 3.0 * lower * lower - 12.0 * lower - 9.0) / (-4.0 * lower - 4.0);
        const int at_lower = int(std::lround(passes));
        for (int i = 0; i < 3; ++i) {
            const int width = i < at_lower ? lower : lower + 2;
            filters.push_back({std::min((width - 1) / 2, kMaxBoxRadius), 0});
        }
        return filters;
    }
    while (variance >= kBoxOneVariance) {
        filters.push_back({1, 0});
        variance -= kBoxOneVariance;
    }
    const int side = int(std::lround(variance / 2.0 * 256.0));
    if (side > 0) {
        filters.push_back({0, side});
    }
    return filters;
}

// A box's mean as the high half of a 16-bit product; the reciprocal is rounded up so a flat
// area keeps its exact value (windows under 257 samples).
uint16_t Reciprocal(int radius) {
    const auto count = uint32_t(2 * radius + 1);
    return uint16_t((65536u + count - 1) / count);
}

// ---- Along a row: pixels, with `pad` copies of the edge pixels on both sides. ----

void PadRow(uint8_t* row, int width, int pad) {
    for (int i = 1; i <= pad; ++i) {
        std::memcpy(row - ptrdiff_t(i) * kChannels, row, kChannels);
        std::memcpy(row + ptrdiff_t(width - 1 + i) * kChannels,
                    row + ptrdiff_t(width - 1) * kChannels, kChannels);
    }
}

__m128i LoadPixel(const uint8_t* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof v);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), _mm_setzero_si128());
}

void StorePixel(uint8_t* p, __m128i words) {
    const int32_t v = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(p, &v, sizeof v);
}

// A box along the row. Narrow boxes (the usual case) add their few neighbours directly, which
// vectorises; wide ones keep a running sum, the four channels side by side.
void BoxAlongRow(const uint8_t* in, uint8_t* out, int width, int radius, bool avx2) {
    const uint16_t reciprocal = Reciprocal(radius);
    const int n = width * kChannels;
    constexpr int kDirectRadius = 3;
    int k = avx2 && radius <= kDirectRadius ? BoxAlongRowAvx2(in, out, n, radius, reciprocal) : 0;
    const __m128i factor = _mm_set1_epi16(int16_t(reciprocal));
    if (radius <= kDirectRadius) {
        const __m128i zero = _mm_setzero_si128();
        for (; k + 16 <= n; k += 16) {
            __m128i low = zero;
            __m128i high = zero;
            for (int i = -radius; i <= radius; ++i) {
                const __m128i bytes = _mm_loadu_si128(
                    reinterpret_cast<const __m128i*>(in + k + ptrdiff_t(i) * kChannels));
                low = _mm_add_epi16(low, _mm_unpacklo_epi8(bytes, zero));
                high = _mm_add_epi16(high, _mm_unpackhi_epi8(bytes, zero));
            }
            _mm_storeu_si128(
                reinterpret_cast<__m128i*>(out + k),
                _mm_packus_epi16(_mm_mulhi_epu16(low, factor), _mm_mulhi_epu16(high, factor)));
        }
        for (; k < n; ++k) {
            uint32_t sum = 0;
            for (int i = -radius; i <= radius; ++i) {
                sum += in[k + i * kChannels];
            }
            out[k] = uint8_t((sum * reciprocal) >> 16);
        }
        return;
    }
    __m128i sum = _mm_setzero_si128();
    for (int i = -radius; i <= radius; ++i) {
        sum = _mm_add_epi16(sum, LoadPixel(in + ptrdiff_t(i) * kChannels));
    }
    for (int x = 0; x < width; ++x) {
        StorePixel(out + ptrdiff_t(x) * kChannels, _mm_mulhi_epu16(sum, factor));
        const __m128i step = _mm_sub_epi16(LoadPixel(in + ptrdiff_t(x + radius + 1) * kChannels),
                                           LoadPixel(in + ptrdiff_t(x - radius) * kChannels));
        sum = _mm_add_epi16(sum, step);
    }
}

// side x (a + c) + (256 - 2 side) x b, rounded, byte by byte; at most 255 x 256 + 128, so
// 16-bit arithmetic does, which the compiler vectorises.
void ThreeTaps(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out, int n, int side,
               bool avx2) {
    const auto outer = uint16_t(side);
    const auto middle = uint16_t(256 - 2 * side);
    for (int k = avx2 ? ThreeTapsAvx2(a, b, c, out, n, side) : 0; k < n; ++k) {
        out[k] = uint8_t(uint16_t((a[k] + c[k]) * outer + b[k] * middle + 128) >> 8);
    }
}

// ---- Down the columns: a chain of row filters, each keeping the last rows it made. ----

struct Stage {
    Filter filter;             // how this stage's rows come from the previous stage's
    std::vector<uint8_t> ring; // the last `capacity` rows made, row y in slot y % capacity
    int capacity = 0;
    int made = 0;               // rows 0 .. made - 1 have been made
    std::vector<uint16_t> sums; // a box's running sums, one per byte of a row
};

struct Pipeline {
    const uint32_t* pixels = nullptr;
    uint32_t* direct = nullptr; // the surface when the last stage writes its rows there
    int stride = 0;
    PixelRect rect = {};
    int factor = 1;
    int width = 0;  // of a shrunk row
    int height = 0; // shrunk rows
    int pad = 1;
    bool avx2 = false;                 // the row kernels may use AVX2 (the avx2 path and above)
    std::vector<Filter> across;        // along each row
    std::vector<uint8_t> row_a, row_b; // padded row buffers
    std::vector<uint16_t> column_sums; // a shrink block's rows, summed
    std::vector<Stage> stages;         // [0] the shrunk, row-blurred rows
    size_t RowBytes() const { return size_t(width) * kChannels; }
};

// Averages factor x factor blocks of the picture's rows into row (partial blocks at the far
// edges). The block's rows are summed byte by byte (16 bits hold 16 x 16 bytes), then across.
void ShrinkRow(Pipeline& p, int sy, uint8_t* row) {
    const int w = p.rect.right - p.rect.left;
    const int n = w * kChannels;
    const int y0 = p.rect.top + sy * p.factor;
    const int y1 = std::min(y0 + p.factor, int(p.rect.bottom));
    auto source = [&](int y) {
        return reinterpret_cast<const uint8_t*>(p.pixels + size_t(y) * p.stride + p.rect.left);
    };
    if (p.factor == 1) {
        std::memcpy(row, source(y0), size_t(n));
        return;
    }
    int first_generic = 0;
    if (p.factor == 2 && y1 - y0 == 2) {
        // Whole 2 x 2 blocks, two at a time: (sum + 2) / 4 straight from the two rows.
        const uint8_t* top = source(y0);
        const uint8_t* bottom = source(y0 + 1);
        const __m128i zero = _mm_setzero_si128();
        const __m128i two = _mm_set1_epi16(2);
        for (; (first_generic + 2) * 2 <= w; first_generic += 2) {
            const size_t at = size_t(first_generic) * 2 * kChannels;
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + at));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + at));
            const __m128i left =
                _mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
            const __m128i right =
                _mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
            const __m128i sum =
                _mm_add_epi16(_mm_unpacklo_epi64(left, right), _mm_unpackhi_epi64(left, right));
            const __m128i mean = _mm_srli_epi16(_mm_add_epi16(sum, two), 2);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(row + ptrdiff_t(first_generic) * kChannels),
                             _mm_packus_epi16(mean, mean));
        }
        if (first_generic == p.width) {
            return;
        }
    }
    uint16_t* sums = p.column_sums.data();
    std::copy(source(y0), source(y0) + n, sums);
    for (int y = y0 + 1; y < y1; ++y) {
        const uint8_t* bytes = source(y);
        for (int k = 0; k < n; ++k) {
            sums[k] = uint16_t(sums[k] + bytes[k]);
        }
    }
    for (int sx = first_generic; sx < p.width; ++sx) {
        const int x0 = sx * p.factor;
        const int x1 = std::min(x0 + p.factor, w);
        const int span = (x1 - x0) * (y1 - y0);
        uint8_t* target = row + ptrdiff_t(sx) * kChannels;
        // The block's four sums side by side; a float division rounds each to nearest.
        __m128i sum = _mm_setzero_si128();
        for (int x = x0; x < x1; ++x) {
            sum = _mm_add_epi16(sum, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(
                                         sums + ptrdiff_t(x) * kChannels)));
        }
        const __m128 mean =
            _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(sum, _mm_setzero_si128())),
                       _mm_set1_ps(1.0f / float(span)));
        StorePixel(target, _mm_packs_epi32(_mm_cvtps_epi32(mean), _mm_setzero_si128()));
    }
}

// Shrunk row sy, blurred along its length, into out.
void MakeSourceRow(Pipeline& p, int sy, uint8_t* out) {
    const size_t margin = size_t(p.pad) * kChannels;
    uint8_t* a = p.row_a.data() + margin;
    uint8_t* b = p.row_b.data() + margin;
    ShrinkRow(p, sy, a);
    if (p.across.empty()) {
        std::memcpy(out, a, p.RowBytes());
        return;
    }
    for (size_t i = 0; i < p.across.size(); ++i) {
        const Filter& f = p.across[i];
        // The last pass writes straight into the row's place.
        uint8_t* target = i + 1 < p.across.size() ? b : out;
        PadRow(a, p.width, p.pad);
        if (f.radius > 0) {
            BoxAlongRow(a, target, p.width, f.radius, p.avx2);
        } else {
            ThreeTaps(a - kChannels, a, a + kChannels, target, p.width * kChannels, f.side, p.avx2);
        }
        std::swap(a, b);
    }
}

const uint8_t* StageRow(Pipeline& p, size_t index, int y);

void Average(const uint16_t* sum, uint8_t* out, int n, uint16_t reciprocal) {
    for (int k = 0; k < n; ++k) {
        out[k] = uint8_t((uint32_t(sum[k]) * reciprocal) >> 16);
    }
}

// Row y of stage `index` from the rows of the stage before it, edges extended.
void MakeStageRow(Pipeline& p, size_t index, int y, uint8_t* out) {
    Stage& s = p.stages[index];
    const int n = p.width * kChannels;
    const int last = p.height - 1;
    if (s.filter.radius == 0) {
        const uint8_t* c = StageRow(p, index - 1, std::min(y + 1, last));
        const uint8_t* b = StageRow(p, index - 1, y);
        const uint8_t* a = StageRow(p, index - 1, std::max(y - 1, 0));
        ThreeTaps(a, b, c, out, n, s.filter.side, p.avx2);
        return;
    }
    const int r = s.filter.radius;
    uint16_t* sum = s.sums.data();
    if (y == 0) {
        std::fill(s.sums.begin(), s.sums.end(), uint16_t(0));
        for (int i = -r; i <= r; ++i) {
            const uint8_t* row = StageRow(p, index - 1, std::clamp(i, 0, last));
            for (int k = 0; k < n; ++k) {
                sum[k] = uint16_t(sum[k] + row[k]);
            }
        }
        Average(sum, out, n, Reciprocal(r));
        return;
    }
    // The entering row first: making it may drop rows older than the leaving one.
    const uint8_t* entering = StageRow(p, index - 1, std::min(y + r, last));
    const uint8_t* leaving = StageRow(p, index - 1, std::max(y - r - 1, 0));
    const uint16_t reciprocal = Reciprocal(r);
    int k = p.avx2 ? SlideBoxAvx2(sum, entering, leaving, out, n, reciprocal) : 0;
    // Sums moved on and averaged in one sweep; the compiler does not find the 16-bit high-half
    // multiply by itself.
    const __m128i factor = _mm_set1_epi16(int16_t(reciprocal));
    const __m128i zero = _mm_setzero_si128();
    for (; k + 16 <= n; k += 16) {
        auto* lanes = reinterpret_cast<__m128i*>(sum + k);
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(entering + k));
        const __m128i gone = _mm_loadu_si128(reinterpret_cast<const __m128i*>(leaving + k));
        const __m128i low =
            _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(lanes), _mm_unpacklo_epi8(in, zero)),
                          _mm_unpacklo_epi8(gone, zero));
        const __m128i high =
            _mm_sub_epi16(_mm_add_epi16(_mm_loadu_si128(lanes + 1), _mm_unpackhi_epi8(in, zero)),
                          _mm_unpackhi_epi8(gone, zero));
        _mm_storeu_si128(lanes, low);
        _mm_storeu_si128(lanes + 1, high);
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + k),
            _mm_packus_epi16(_mm_mulhi_epu16(low, factor), _mm_mulhi_epu16(high, factor)));
    }
    for (; k < n; ++k) {
        sum[k] = uint16_t(sum[k] + entering[k] - leaving[k]);
        out[k] = uint8_t((uint32_t(sum[k]) * reciprocal) >> 16);
    }
}

// Row y of a stage, made (with every row before it) on first use. Rows are asked for in
// increasing order, give or take the window each consumer keeps.
const uint8_t* StageRow(Pipeline& p, size_t index, int y) {
    Stage& s = p.stages[index];
    if (p.direct != nullptr && index + 1 == p.stages.size()) {
        // Unshrunk, the last stage's rows are the output: made in place, each once.
        auto row = [&](int at) {
            return reinterpret_cast<uint8_t*>(p.direct + size_t(p.rect.top + at) * p.stride +
                                              p.rect.left);
        };
        for (; s.made <= y; ++s.made) {
            if (index == 0) {
                MakeSourceRow(p, s.made, row(s.made));
            } else {
                MakeStageRow(p, index, s.made, row(s.made));
            }
        }
        return row(y);
    }
    while (s.made <= y) {
        uint8_t* slot = s.ring.data() + size_t(s.made % s.capacity) * p.RowBytes();
        if (index == 0) {
            MakeSourceRow(p, s.made, slot);
        } else {
            MakeStageRow(p, index, s.made, slot);
        }
        ++s.made;
    }
    return p.stages[index].ring.data() + size_t(y % s.capacity) * p.RowBytes();
}

// Where output position p (of a side `full` long) falls between two small samples whose
// centres lie `factor` apart: the lower sample and the upper one's weight out of 256.
struct Tap {
    int lower;
    int upper;
    int weight;
};

Tap TapFor(int p, int factor, int small_side) {
    const double u = (p + 0.5) / factor - 0.5;
    if (u <= 0) {
        return {0, 0, 0};
    }
    const int lower = std::min(int(u), small_side - 1);
    const int upper = std::min(lower + 1, small_side - 1);
    return {lower, upper, int(std::lround((u - lower) * 256))};
}

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

__m128i LoadTwoPixels(const uint32_t* p) {
    return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                             _mm_setzero_si128());
}

// Doubling a row: output 2j is (s[j-1] + 3 s[j]) / 4 and 2j + 1 is (3 s[j] + s[j+1]) / 4, the
// same taps the general path finds, four outputs a step. Returns the first output not written.
int WidenTwice(const uint32_t* in, int small_width, int w, uint32_t* out) {
    int j = 1;
    const __m128i one = _mm_set1_epi16(64);
    const __m128i three = _mm_set1_epi16(192);
    const __m128i half = _mm_set1_epi16(128);
    for (; j + 2 < small_width && 2 * j + 3 < w; j += 2) {
        const __m128i centre = _mm_mullo_epi16(LoadTwoPixels(in + j), three);
        const __m128i even = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(LoadTwoPixels(in + j - 1), one), centre),
                          half),
            8);
        const __m128i odd = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(LoadTwoPixels(in + j + 1), one), centre),
                          half),
            8);
        _mm_storeu_si128(
            reinterpret_cast<__m128i*>(out + ptrdiff_t(2) * j),
            _mm_packus_epi16(_mm_unpacklo_epi64(even, odd), _mm_unpackhi_epi64(even, odd)));
    }
    return 2 * j;
}

void Widen(const uint8_t* small_row, const std::vector<Tap>& columns, int factor, int small_width,
           uint8_t* wide) {
    const auto* in = reinterpret_cast<const uint32_t*>(small_row);
    auto* out = reinterpret_cast<uint32_t*>(wide);
    const int w = int(columns.size());
    int x = 0;
    if (factor == 2 && w >= 2) {
        for (; x < 2; ++x) {
            out[x] = MixPixels(in[columns[x].lower], in[columns[x].upper], columns[x].weight);
        }
        x = WidenTwice(in, small_width, w, out);
    }
    // Two output pixels a step, each byte in a 16-bit lane.
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(128);
    const __m128i full = _mm_set1_epi16(256);
    for (; x + 2 <= w; x += 2) {
        const Tap t0 = columns[x];
        const Tap t1 = columns[x + 1];
        const __m128i a =
            _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(in[t0.lower])),
                                                 _mm_cvtsi32_si128(int(in[t1.lower]))),
                              zero);
        const __m128i b =
            _mm_unpacklo_epi8(_mm_unpacklo_epi32(_mm_cvtsi32_si128(int(in[t0.upper])),
                                                 _mm_cvtsi32_si128(int(in[t1.upper]))),
                              zero);
        const __m128i upper = _mm_unpacklo_epi64(_mm_set1_epi16(int16_t(t0.weight)),
                                                 _mm_set1_epi16(int16_t(t1.weight)));
        const __m128i lower = _mm_sub_epi16(full, upper);
        const __m128i mixed = _mm_srli_epi16(
            _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(a, lower), _mm_mullo_epi16(b, upper)),
                          half),
            8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(mixed, mixed));
    }
    for (; x < w; ++x) {
        const Tap t = columns[x];
        out[x] = MixPixels(in[t.lower], in[t.upper], t.weight);
    }
}

// Bilinear enlargement of the blurred small rows back onto the rect: each small row is
// widened once, then output rows mix the two widened rows around them. Output row y is written
// only after every source row it could still need has been read (the chain runs ahead).
void Enlarge(Pipeline& p, std::vector<Tap>& columns, std::vector<uint8_t> (&widened)[2],
             uint32_t* pixels) {
    const PixelRect rect = p.rect;
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    const size_t last = p.stages.size() - 1;
    int widened_row[2] = {-1, -1};
    auto widen = [&](int sy) -> const uint8_t* {
        for (int i = 0; i < 2; ++i) {
            if (widened_row[i] == sy) {
                return widened[i].data();
            }
        }
        const int slot = widened_row[0] < widened_row[1] ? 0 : 1;
        Widen(StageRow(p, last, sy), columns, p.factor, p.width, widened[slot].data());
        widened_row[slot] = sy;
        return widened[slot].data();
    };
    for (int y = 0; y < h; ++y) {
        if (p.factor == 1) {
            StageRow(p, last, y);
            continue;
        }
        auto* out =
            reinterpret_cast<uint8_t*>(pixels + size_t(rect.top + y) * p.stride + rect.left);
        const Tap t = TapFor(y, p.factor, p.height);
        const uint8_t* b = widen(t.upper);
        const uint8_t* a = widen(t.lower);
        const auto upper = uint16_t(t.weight);
        const auto lower = uint16_t(256 - t.weight);
        for (int k = 0; k < w * kChannels; ++k) {
            out[k] = uint8_t(uint16_t(a[k] * lower + b[k] * upper + 128) >> 8);
        }
    }
}

// How many rows a consumer of a stage looks at once.
int WindowOf(const Filter& consumer) {
    return consumer.radius > 0 ? 2 * consumer.radius + 2 : 3;
}

} // namespace

int SoftenRadius(int blur_permille, int view_width, int view_height) {
    if (blur_permille <= 0 || view_width <= 0 || view_height <= 0) {
        return 0;
    }
    const int side = std::min(view_width, view_height);
    return int(std::lround(std::min(blur_permille, 1000) / 1000.0 * kMaxShare * side));
}

bool SoftenPixels(uint32_t* pixels, int stride, PixelRect rect, int radius, ProcessorPath path) {
    const int w = rect.right - rect.left;
    const int h = rect.bottom - rect.top;
    if (pixels == nullptr || radius <= 0 || w <= 0 || h <= 0 || stride < rect.right) {
        return true;
    }
    // The radius is about two standard deviations: the blur fades out near it.
    const double sigma = radius / 2.0;
    // A wide blur is computed on a smaller copy, about three samples per standard deviation,
    // and enlarged back: the same look for a fraction of the work. Shrinking and enlarging
    // blur a little themselves (about factor squared over four), so a factor of 2 already
    // serves a standard deviation of 1.
    const int factor = sigma < kLeastShrunkSigma ? 1 : std::clamp(int(sigma / 1.5), 2, kMaxFactor);
    const double inherent = factor == 1 ? 0.0 : factor * factor / 4.0;
    const double variance = std::max(sigma * sigma - inherent, 0.0) / (factor * factor);
    try {
        const std::vector<Filter> filters = FiltersFor(variance);
        Pipeline p;
        p.pixels = pixels;
        p.direct = factor == 1 ? pixels : nullptr;
        p.stride = stride;
        p.rect = rect;
        p.factor = factor;
        p.width = (w + factor - 1) / factor;
        p.height = (h + factor - 1) / factor;
        p.pad = 1;
        p.avx2 = std::min(path, SupportedProcessorPath()) >= ProcessorPath::avx2;
        p.across = filters;
        for (const Filter& f : filters) {
            p.pad = std::max(p.pad, f.radius + 1);
        }
        const size_t padded = (size_t(p.width) + 2 * size_t(p.pad)) * kChannels;
        p.row_a.resize(padded);
        p.row_b.resize(padded);
        if (factor > 1) {
            p.column_sums.resize(size_t(w) * kChannels);
        }
        // Stage 0 makes blurred-along rows; one stage per filter down the columns after it.
        p.stages.resize(filters.size() + 1);
        for (size_t i = 0; i < p.stages.size(); ++i) {
            Stage& s = p.stages[i];
            if (i > 0) {
                s.filter = filters[i - 1];
                if (s.filter.radius > 0) {
                    s.sums.resize(p.RowBytes());
                }
            }
            s.capacity = i + 1 < p.stages.size() ? WindowOf(filters[i]) : 2;
            s.ring.resize(size_t(s.capacity) * p.RowBytes());
        }
        std::vector<Tap> columns;
        std::vector<uint8_t> widened[2];
        if (factor > 1) {
            columns.resize(size_t(w));
            for (int x = 0; x < w; ++x) {
                columns[x] = TapFor(x, factor, p.width);
            }
            widened[0].resize(size_t(w) * kChannels);
            widened[1].resize(size_t(w) * kChannels);
        }
        // Everything is allocated: from here on nothing can fail half-way.
        Enlarge(p, columns, widened, pixels);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
