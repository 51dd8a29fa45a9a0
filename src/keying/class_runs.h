// Scans of one class map row for runs of item classes. Thirty-two class bytes are tested at a
// time (SSE2 is part of every x86-64 processor): rows are long runs of no item or of one item.
#pragma once

#include <cstdint>
#include <emmintrin.h>

#include "keying/item_overlay.h"

// Bit k set where byte j + k (k < 32) equals the byte of `repeated`.
inline uint32_t EqualBytes32(const uint8_t* classes, int j, __m128i repeated) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(classes + j));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(classes + j + 16));
    return uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(a, repeated))) |
           uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(b, repeated))) << 16;
}

// The first column from j on whose class is not `kind`, or end.
inline int EndOfKind(const uint8_t* classes, int j, int end, uint8_t kind) {
    const __m128i repeated = _mm_set1_epi8(char(kind));
    for (; end - j >= 32; j += 32) {
        const uint32_t other = ~EqualBytes32(classes, j, repeated);
        if (other != 0) {
            return j + __builtin_ctz(other);
        }
    }
    while (j < end && classes[j] == kind) {
        ++j;
    }
    return j;
}

// The first column from j on that holds no item (class 0), or end.
inline int EndOfItems(const uint8_t* classes, int j, int end) {
    const __m128i zero = _mm_setzero_si128();
    for (; end - j >= 32; j += 32) {
        const uint32_t none = EqualBytes32(classes, j, zero);
        if (none != 0) {
            return j + __builtin_ctz(none);
        }
    }
    while (j < end && classes[j] != kNoItem) {
        ++j;
    }
    return j;
}
