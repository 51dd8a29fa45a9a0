#include "frame/soften_avx2.h"

#include <immintrin.h>

#include <cstddef>

namespace {

#define MURIVO_AVX2 __attribute__((target("avx2")))

MURIVO_AVX2 __m256i Widen16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Packs two rows of 16 words back to 32 bytes in order (the pack works per 128-bit half).
MURIVO_AVX2 void Store32(uint8_t* p, __m256i low, __m256i high) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p),
                        _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8));
}

} // namespace

MURIVO_AVX2 int BoxAlongRowAvx2(const uint8_t* in, uint8_t* out, int n, int radius,
                                uint16_t reciprocal) {
    const __m256i factor = _mm256_set1_epi16(int16_t(reciprocal));
    int k = 0;
    for (; k + 32 <= n; k += 32) {
        __m256i low = _mm256_setzero_si256();
        __m256i high = _mm256_setzero_si256();
        for (int i = -radius; i <= radius; ++i) {
            low = _mm256_add_epi16(low, Widen16(in + k + ptrdiff_t(i) * 4));
            high = _mm256_add_epi16(high, Widen16(in + k + 16 + ptrdiff_t(i) * 4));
        }
        Store32(out + k, _mm256_mulhi_epu16(low, factor), _mm256_mulhi_epu16(high, factor));
    }
    return k;
}

MURIVO_AVX2 int SlideBoxAvx2(uint16_t* sum, const uint8_t* entering, const uint8_t* leaving,
                             uint8_t* out, int n, uint16_t reciprocal) {
    const __m256i factor = _mm256_set1_epi16(int16_t(reciprocal));
    int k = 0;
    for (; k + 32 <= n; k += 32) {
        auto* lanes = reinterpret_cast<__m256i*>(sum + k);
        const __m256i low =
            _mm256_sub_epi16(_mm256_add_epi16(_mm256_loadu_si256(lanes), Widen16(entering + k)),
                             Widen16(leaving + k));
        const __m256i high = _mm256_sub_epi16(
            _mm256_add_epi16(_mm256_loadu_si256(lanes + 1), Widen16(entering + k + 16)),
            Widen16(leaving + k + 16));
        _mm256_storeu_si256(lanes, low);
        _mm256_storeu_si256(lanes + 1, high);
        Store32(out + k, _mm256_mulhi_epu16(low, factor), _mm256_mulhi_epu16(high, factor));
    }
    return k;
}

static MURIVO_AVX2 __m256i MixThree(const uint8_t* a, const uint8_t* b, const uint8_t* c,
                                    __m256i outer, __m256i middle) {
    const __m256i sum = _mm256_add_epi16(
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_add_epi16(Widen16(a), Widen16(c)), outer),
                         _mm256_mullo_epi16(Widen16(b), middle)),
        _mm256_set1_epi16(128));
    return _mm256_srli_epi16(sum, 8);
}

MURIVO_AVX2 int ThreeTapsAvx2(const uint8_t* a, const uint8_t* b, const uint8_t* c, uint8_t* out,
                              int n, int side) {
    const __m256i outer = _mm256_set1_epi16(int16_t(side));
    const __m256i middle = _mm256_set1_epi16(int16_t(256 - 2 * side));
    int k = 0;
    for (; k + 32 <= n; k += 32) {
        Store32(out + k, MixThree(a + k, b + k, c + k, outer, middle),
                MixThree(a + k + 16, b + k + 16, c + k + 16, outer, middle));
    }
    return k;
}
