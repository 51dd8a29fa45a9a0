#include "frame/area_scale.h"

#include <immintrin.h>

#include <algorithm>
#include <vector>

#include "base/row_workers.h"
#include "frame/fit_geometry.h"

namespace {

// Rows are summed in 16-bit lanes with weights adding up to 128, so a sum stays below 2^15 and
// fits the signed multiply-add of the column pass, whose weights add up to 256.
constexpr int kRowWeight = 128;
constexpr int kColumnWeight = 256;
constexpr int kFinalShift = 15; // log2(kRowWeight * kColumnWeight)

// The column pass takes source pixels four at a time; spans are padded with zero weights.
constexpr int kTapGroup = 4;

// The source pixels one output pixel covers and how much each counts.
struct Span {
    int first;
    int count;   // padded to a multiple of kTapGroup in column spans
    int weights; // index of the first weight
};

struct Spans {
    std::vector<Span> spans;
    std::vector<uint16_t> weights;
};

// Spans of outputs [lo, hi) of n over a source of length s (n <= s). Output d covers
// [d * s, (d + 1) * s) in units of 1/n source pixel; each weight is the difference of the rounded
// running totals, so the weights of every output add up to exactly `total`.
Spans MakeSpans(int lo, int hi, int n, int s, int total, int group) {
    Spans out;
    out.spans.reserve(size_t(hi - lo));
    for (int d = lo; d < hi; ++d) {
        const int64_t start = int64_t(d) * s;
        const int64_t end = start + s;
        const int first = int(start / n);
        const int last = int((end - 1) / n);
        const int count = last - first + 1;
        out.spans.push_back({first, (count + group - 1) / group * group, int(out.weights.size())});
        int64_t given = 0;
        for (int x = first; x <= last; ++x) {
            const int64_t covered_to = std::min(int64_t(x + 1) * n, end) - start;
            const int64_t running = (covered_to * total + s / 2) / s;
            out.weights.push_back(uint16_t(running - given));
            given = running;
        }
        out.weights.resize(out.weights.size() + size_t(out.spans.back().count - count), 0);
    }
    return out;
}

// What the passes need for one call.
struct Plan {
    Spans columns;
    Spans rows;
    int sums_first; // the first source column summed
    int pixels;     // source columns summed
    // The column weights as the AVX2 pass multiplies them: per group of four taps,
    // w0 w1 w0 w1 w0 w1 w0 w1 w2 w3 w2 w3 w2 w3 w2 w3.
    std::vector<uint16_t> paired;
};

std::vector<uint16_t> PairWeights(const std::vector<uint16_t>& weights) {
    std::vector<uint16_t> paired;
    paired.reserve(weights.size() * 4);
    for (size_t k = 0; k < weights.size(); k += kTapGroup) {
        for (size_t half = 0; half < 2; ++half) {
            for (int repeat = 0; repeat < 4; ++repeat) {
                paired.push_back(weights[k + 2 * half]);
                paired.push_back(weights[k + 2 * half + 1]);
            }
        }
    }
    return paired;
}

// sums[i] = the weighted sum of byte i of the rows.
void SumRowsPlain(uint16_t* sums, const uint8_t* const* rows, const uint16_t* weights, int count,
                  int n) {
    std::fill(sums, sums + n, uint16_t(0));
    for (int k = 0; k < count; ++k) {
        for (int i = 0; i < n; ++i) {
            sums[i] = uint16_t(sums[i] + weights[k] * rows[k][i]);
        }
    }
}

void ReduceColumnsPlain(const uint16_t* sums, const Plan& plan, uint32_t* out) {
    const Spans& columns = plan.columns;
    for (size_t d = 0; d < columns.spans.size(); ++d) {
        const Span& span = columns.spans[d];
        const uint16_t* pixel = sums + size_t(span.first - plan.sums_first) * 4;
        const uint16_t* weight = columns.weights.data() + span.weights;
        uint32_t total[4] = {};
        for (int k = 0; k < span.count; ++k, pixel += 4) {
            for (int c = 0; c < 4; ++c) {
                total[c] += uint32_t(weight[k]) * pixel[c];
            }
        }
        uint32_t v = 0;
        for (int c = 0; c < 4; ++c) {
            v |= ((total[c] + (1u << (kFinalShift - 1))) >> kFinalShift) << (8 * c);
        }
        out[d] = v;
    }
}

} // namespace

// The same passes, 32 bytes at a time; only called on the avx2 path and above.
#define MURIVO_AVX2 __attribute__((target("avx2")))

namespace {

MURIVO_AVX2 void SumRowsAvx2(uint16_t* sums, const uint8_t* const* rows, const uint16_t* weights,
                             int count, int n) {
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256i total = _mm256_setzero_si256();
        for (int k = 0; k < count; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            total =
                _mm256_add_epi16(total, _mm256_mullo_epi16(_mm256_cvtepu8_epi16(bytes),
                                                           _mm256_set1_epi16(short(weights[k]))));
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + i), total);
    }
    for (; i < n; ++i) {
        uint16_t total = 0;
        for (int k = 0; k < count; ++k) {
            total = uint16_t(total + weights[k] * rows[k][i]);
        }
        sums[i] = total;
    }
}

// Four source pixels per step: the channels of pixel pairs interleaved, so that one multiply-add
// weighs both pixels of a pair.
MURIVO_AVX2 void ReduceColumnsAvx2(const uint16_t* sums, const Plan& plan, uint32_t* out) {
    const Spans& columns = plan.columns;
    const __m256i pairs = _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0,
                                           1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m128i half = _mm_set1_epi32(1 << (kFinalShift - 1));
    for (size_t d = 0; d < columns.spans.size(); ++d) {
        const Span& span = columns.spans[d];
        const uint16_t* pixel = sums + size_t(span.first - plan.sums_first) * 4;
        const uint16_t* weight = plan.paired.data() + size_t(span.weights) * 4;
        __m256i total = _mm256_setzero_si256();
        for (int k = 0; k < span.count;
             k += kTapGroup, pixel += size_t(4) * kTapGroup, weight += 16) {
            const __m256i channels = _mm256_shuffle_epi8(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixel)), pairs);
            const __m256i w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weight));
            total = _mm256_add_epi32(total, _mm256_madd_epi16(channels, w));
        }
        __m128i sum =
            _mm_add_epi32(_mm256_castsi256_si128(total), _mm256_extracti128_si256(total, 1));
        sum = _mm_srli_epi32(_mm_add_epi32(sum, half), kFinalShift);
        const __m128i words = _mm_packs_epi32(sum, sum);
        out[d] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    }
}

} // namespace

#undef MURIVO_AVX2

namespace {

// Output rows are independent: each thread sums into its own row of sums.
struct ScaleJob {
    const Plan* plan;
    const SourceRows* source;
    uint32_t* surface;
    int width;
    PixelRect visible;
    bool avx2;
    uint16_t* sums[kMaxRowThreads];
    const uint8_t** row_bytes[kMaxRowThreads];
};

void ScaleRows(const void* context, int thread, int first, int end) noexcept {
    const ScaleJob& job = *static_cast<const ScaleJob*>(context);
    const Plan& plan = *job.plan;
    const SourceRows& source = *job.source;
    uint16_t* sums = job.sums[thread];
    const uint8_t** row_bytes = job.row_bytes[thread];
    for (int r = first; r < end; ++r) {
        const Span& span = plan.rows.spans[size_t(r)];
        for (int k = 0; k < span.count; ++k) {
            row_bytes[k] = reinterpret_cast<const uint8_t*>(
                source.pixels + size_t(span.first + k - source.first_row) * size_t(source.width) +
                size_t(plan.sums_first));
        }
        const uint16_t* weights = plan.rows.weights.data() + span.weights;
        uint32_t* out = job.surface + size_t(job.visible.top + r) * size_t(job.width) +
                        size_t(job.visible.left);
        if (job.avx2) {
            SumRowsAvx2(sums, row_bytes, weights, span.count, plan.pixels * 4);
            ReduceColumnsAvx2(sums, plan, out);
        } else {
            SumRowsPlain(sums, row_bytes, weights, span.count, plan.pixels * 4);
            ReduceColumnsPlain(sums, plan, out);
        }
    }
}

constexpr int kScaleRowsPerBlock = 16;

} // namespace

void AreaScaleInto(const SourceRows& source, uint32_t* surface, int width, int height,
                   PixelRect placed, ProcessorPath path) {
    const PixelRect visible = ClipToSurface(placed, width, height);
    const int dw = placed.right - placed.left;
    const int dh = placed.bottom - placed.top;
    if (visible.right <= visible.left || dw > source.width || dh > source.height) {
        return;
    }
    Plan plan = {MakeSpans(visible.left - placed.left, visible.right - placed.left, dw,
                           source.width, kColumnWeight, kTapGroup),
                 MakeSpans(visible.top - placed.top, visible.bottom - placed.top, dh, source.height,
                           kRowWeight, 1),
                 0,
                 0,
                 {}};
    // Only the source columns the visible outputs cover are summed; padded taps read zeros.
    const Span& first = plan.columns.spans.front();
    const Span& last = plan.columns.spans.back();
    plan.sums_first = first.first;
    plan.pixels = std::min(last.first + last.count, source.width) - plan.sums_first;
    const bool avx2 = std::min(path, SupportedProcessorPath()) >= ProcessorPath::avx2;
    if (avx2) {
        plan.paired = PairWeights(plan.columns.weights);
    }
    // Rows are shared between threads, each with its own sums and row pointers.
    const int rows = int(plan.rows.spans.size());
    const int threads = RowThreadsFor(int64_t(visible.right - visible.left) * rows);
    int most_taps = 0;
    for (const Span& span : plan.rows.spans) {
        most_taps = std::max(most_taps, span.count);
    }
    const size_t sum_count = size_t(last.first + last.count - plan.sums_first) * 4;
    std::vector<uint16_t> sums(sum_count * size_t(threads), 0);
    std::vector<const uint8_t*> row_bytes(size_t(most_taps) * size_t(threads));
    ScaleJob job = {&plan, &source, surface, width, visible, avx2, {}, {}};
    for (int t = 0; t < threads; ++t) {
        job.sums[t] = sums.data() + sum_count * size_t(t);
        job.row_bytes[t] = row_bytes.data() + size_t(most_taps) * size_t(t);
    }
    RunRowJob({ScaleRows, &job, rows, kScaleRowsPerBlock, false}, threads);
}
