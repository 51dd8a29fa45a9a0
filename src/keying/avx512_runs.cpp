#include "keying/avx512_runs.h"

#include <immintrin.h>

#include <cstring>

#include "keying/run_layout.h"

// Everything below may use the 512-bit instructions; it runs only on the avx512 path.
#define MURIVO_VECTOR __attribute__((target("avx512f,avx512bw,avx512vl,avx512vbmi")))

namespace {

// Every byte of index looked up in one 256-byte table, given as its four 64-byte parts: the low
// seven bits pick within a half, the high bit picks the half.
MURIVO_VECTOR inline __m512i Lookup(__m512i index, __m512i t0, __m512i t1, __m512i t2, __m512i t3) {
    const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);
    const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
}

// The table read from memory each time: held in registers it would be copied to the stack on
// every call under the Windows calling convention, which costs more than the lookups of a short
// run. A long pass over one colour loads its tables into registers once instead.
MURIVO_VECTOR inline __m512i Lookup(__m512i index, const uint8_t* table) {
    return Lookup(index, _mm512_loadu_si512(table), _mm512_loadu_si512(table + 64),
                  _mm512_loadu_si512(table + 128), _mm512_loadu_si512(table + 192));
}

constexpr __mmask64 kGreenBytes = 0x2222222222222222u;
constexpr __mmask64 kRedBytes = 0x4444444444444444u;
constexpr __mmask64 kFourthBytes = 0x8888888888888888u;

// Sixteen output pixels from the channels looked up, the fourth byte kept.
MURIVO_VECTOR inline __m512i Combine(__m512i blue, __m512i green, __m512i red, __m512i captured) {
    const __m512i out = _mm512_mask_blend_epi8(kGreenBytes, blue, green);
    return _mm512_mask_blend_epi8(kFourthBytes, _mm512_mask_blend_epi8(kRedBytes, out, red),
                                  captured);
}

// Sixteen output pixels: the colour from the wallpaper through the tables, the fourth byte kept.
MURIVO_VECTOR inline __m512i MapSixteen(__m512i captured, __m512i wallpaper,
                                        const uint8_t* tables) {
    return Combine(Lookup(wallpaper, tables), Lookup(wallpaper, tables + 256),
                   Lookup(wallpaper, tables + 512), captured);
}

// Tables for a pass that maps nothing: looked up, never written.
alignas(64) constexpr uint8_t kNoTables[kWideTableSize] = {};

// The pixels of lanes `lanes` whose colour is `key` (in the low three bytes).
MURIVO_VECTOR inline __mmask16 SameColour(__mmask16 lanes, __m512i pixels, __m512i key) {
    return _mm512_mask_testn_epi32_mask(lanes, _mm512_xor_si512(pixels, key),
                                        _mm512_set1_epi32(0x00FFFFFF));
}

inline __mmask16 Lanes(int count) {
    return count >= 16 ? __mmask16(0xFFFF) : __mmask16((1u << count) - 1);
}

// The lanes before the first one set in `stop`, or every lane of `lanes`.
inline __mmask16 BeforeFirst(__mmask16 stop, __mmask16 lanes) {
    return stop == 0 ? lanes : __mmask16((1u << __builtin_ctz(stop)) - 1);
}

// Runs `pass` with a function that maps sixteen pixels through `tables` (null: any tables, for a
// pass that writes nothing). The tables' twelve 64-byte parts are plain values here, which the
// compiler keeps in registers for the pass; in an array or a structure they stay on the stack.
template <typename Pass>
MURIVO_VECTOR inline auto WithTablesHeld(const uint8_t* tables, const Pass& pass) {
    const uint8_t* t = tables != nullptr ? tables : kNoTables;
    const __m512i b0 = _mm512_loadu_si512(t), b1 = _mm512_loadu_si512(t + 64),
                  b2 = _mm512_loadu_si512(t + 128), b3 = _mm512_loadu_si512(t + 192);
    const __m512i g0 = _mm512_loadu_si512(t + 256), g1 = _mm512_loadu_si512(t + 320),
                  g2 = _mm512_loadu_si512(t + 384), g3 = _mm512_loadu_si512(t + 448);
    const __m512i r0 = _mm512_loadu_si512(t + 512), r1 = _mm512_loadu_si512(t + 576),
                  r2 = _mm512_loadu_si512(t + 640), r3 = _mm512_loadu_si512(t + 704);
    return pass([&](__m512i captured, __m512i wallpaper) MURIVO_VECTOR {
        return Combine(Lookup(wallpaper, b0, b1, b2, b3), Lookup(wallpaper, g0, g1, g2, g3),
                       Lookup(wallpaper, r0, r1, r2, r3), captured);
    });
}

// Maps the lanes of `write` at column j with `map`; with a last frame, those equal to it stay.
template <typename Map>
MURIVO_VECTOR inline void MapLanes(const Map& map, uint32_t* work, const uint32_t* fitted,
                                   const uint32_t* last, int j, __mmask16 write, __m512i captured) {
    if (last != nullptr) {
        write &= ~SameColour(write, captured, _mm512_maskz_loadu_epi32(write, last + j));
    }
    if (write != 0) {
        const __m512i wallpaper = _mm512_maskz_loadu_epi32(write, fitted + j);
        _mm512_mask_storeu_epi32(work + j, write, map(captured, wallpaper));
    }
}

// The same through tables read from memory.
MURIVO_VECTOR inline void MapLanes(uint32_t* work, const uint32_t* fitted, const uint32_t* last,
                                   int j, __mmask16 write, __m512i captured,
                                   const uint8_t* tables) {
    const auto map = [tables](__m512i c, __m512i wallpaper)
                         MURIVO_VECTOR { return MapSixteen(c, wallpaper, tables); };
    MapLanes(map, work, fitted, last, j, write, captured);
}

} // namespace

MURIVO_VECTOR int MapRunOfColourVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last,
                                       int j, int end, uint32_t colour, const uint8_t* tables) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    while (j < end) {
        const __mmask16 lanes = Lanes(end - j);
        const __m512i captured = _mm512_maskz_loadu_epi32(lanes, work + j);
        const __mmask16 run = BeforeFirst(lanes & ~SameColour(lanes, captured, key), lanes);
        MapLanes(work, fitted, last, j, run, captured, tables);
        if (run != lanes) {
            return j + __builtin_popcount(run);
        }
        j += 16;
    }
    return end;
}

MURIVO_VECTOR int EndOfColourVector(const uint32_t* work, int j, int end, uint32_t colour) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    for (; j < end; j += 16) {
        const __mmask16 lanes = Lanes(end - j);
        const __mmask16 other =
            lanes & ~SameColour(lanes, _mm512_maskz_loadu_epi32(lanes, work + j), key);
        if (other != 0) {
            return j + __builtin_ctz(other);
        }
    }
    return end;
}

MURIVO_VECTOR int MapColourAmongVector(uint32_t* work, const uint32_t* fitted, const uint32_t* last,
                                       int j, int end, uint32_t colour, const uint32_t* passed_over,
                                       const uint8_t* tables) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    const __m512i over[4] = {
        _mm512_set1_epi32(int(passed_over[0])), _mm512_set1_epi32(int(passed_over[1])),
        _mm512_set1_epi32(int(passed_over[2])), _mm512_set1_epi32(int(passed_over[3]))};
    return WithTablesHeld(tables, [&](const auto& map) MURIVO_VECTOR {
        for (; j < end; j += 16) {
            const __mmask16 lanes = Lanes(end - j);
            const __m512i captured = _mm512_maskz_loadu_epi32(lanes, work + j);
            const __mmask16 mine = SameColour(lanes, captured, key);
            const __mmask16 other = lanes & ~(mine | SameColour(lanes, captured, over[0]) |
                                              SameColour(lanes, captured, over[1]) |
                                              SameColour(lanes, captured, over[2]) |
                                              SameColour(lanes, captured, over[3]));
            if (other != 0) {
                MapLanes(map, work, fitted, last, j, mine & BeforeFirst(other, lanes), captured);
                return j + __builtin_ctz(other);
            }
            MapLanes(map, work, fitted, last, j, mine, captured);
        }
        return end;
    });
}

MURIVO_VECTOR void MapPixelsOfColourVector(uint32_t* work, const uint32_t* fitted,
                                           const uint32_t* last, int j, int end, uint32_t colour,
                                           const uint8_t* tables) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    WithTablesHeld(tables, [&](const auto& map) MURIVO_VECTOR {
        for (; j < end; j += 16) {
            const __mmask16 lanes = Lanes(end - j);
            const __m512i captured = _mm512_maskz_loadu_epi32(lanes, work + j);
            MapLanes(map, work, fitted, last, j, SameColour(lanes, captured, key), captured);
        }
        return 0;
    });
}

MURIVO_VECTOR int MapUnmatchedOfColourVector(uint32_t* work, const uint32_t* fitted,
                                             const uint32_t* last, int j, int end, uint32_t colour,
                                             const uint8_t* tables, const uint32_t* passed_over,
                                             uint16_t* matched) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    const __m512i over[4] = {
        _mm512_set1_epi32(int(passed_over[0])), _mm512_set1_epi32(int(passed_over[1])),
        _mm512_set1_epi32(int(passed_over[2])), _mm512_set1_epi32(int(passed_over[3]))};
    return WithTablesHeld(tables, [&](const auto& map) MURIVO_VECTOR {
        int count = 0;
        for (; j < end; j += 16, ++matched) {
            const __mmask16 open = Lanes(end - j) & __mmask16(~*matched);
            if (open == 0) {
                continue;
            }
            const __m512i captured = _mm512_maskz_loadu_epi32(open, work + j);
            const __mmask16 same = SameColour(open, captured, key);
            MapLanes(map, work, fitted, last, j, tables != nullptr ? same : 0, captured);
            const __mmask16 done =
                same | SameColour(open, captured, over[0]) | SameColour(open, captured, over[1]) |
                SameColour(open, captured, over[2]) | SameColour(open, captured, over[3]);
            *matched = uint16_t(*matched | done);
            count += __builtin_popcount(done);
        }
        return count;
    });
}

MURIVO_VECTOR void MapFirstColourAndStage(uint32_t* work, const uint32_t* fitted,
                                          const uint32_t* last, int j, int end, uint32_t colour,
                                          const uint8_t* tables, StagedPixels& staged) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    const __mmask16 keyed = tables != nullptr ? 0xFFFF : 0;
    const int count = WithTablesHeld(tables, [&](const auto& map) MURIVO_VECTOR {
        int staged_count = 0;
        uint16_t* staged_lanes = staged.lanes;
        for (; j < end; j += 16, ++staged_lanes) {
            const __mmask16 lanes = Lanes(end - j);
            const __m512i captured = _mm512_maskz_loadu_epi32(lanes, work + j);
            const __m512i wallpaper = _mm512_maskz_loadu_epi32(lanes, fitted + j);
            // Pixels equal to the last frame's are already output.
            const __mmask16 open =
                last == nullptr ? lanes
                                : lanes & ~SameColour(lanes, captured,
                                                      _mm512_maskz_loadu_epi32(lanes, last + j));
            const __mmask16 same = SameColour(lanes, captured, key);
            _mm512_mask_storeu_epi32(work + j, same & open & keyed, map(captured, wallpaper));
            // Packed in registers and stored whole: a compressing store is slow on some
            // processors.
            const __mmask16 other = open & ~same;
            *staged_lanes = other;
            if (other != 0) {
                _mm512_storeu_si512(staged.pixels + staged_count,
                                    _mm512_maskz_compress_epi32(other, captured));
                _mm512_storeu_si512(staged.wallpaper + staged_count,
                                    _mm512_maskz_compress_epi32(other, wallpaper));
                staged_count += __builtin_popcount(other);
            }
        }
        return staged_count;
    });
    staged.count = count;
    // Lanes past the last staged pixel count as found.
    const int blocks = (count + 15) / 16;
    std::memset(staged.found, 0, sizeof(uint16_t) * size_t(blocks));
    if (count % 16 != 0) {
        staged.found[blocks - 1] = uint16_t(0xFFFFu << (count % 16));
    }
}

MURIVO_VECTOR bool MapStagedOfColourVector(StagedPixels& staged, int block, uint32_t colour,
                                           const uint8_t* tables) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    const int blocks = (staged.count + 15) / 16;
    return WithTablesHeld(tables, [&](const auto& map) MURIVO_VECTOR {
        __mmask16 met = 0;
        for (; block < blocks; ++block) {
            const int i = 16 * block;
            const __mmask16 open = __mmask16(~staged.found[block]);
            const __m512i captured = _mm512_maskz_loadu_epi32(open, staged.pixels + i);
            const __mmask16 same = SameColour(open, captured, key);
            staged.found[block] = uint16_t(staged.found[block] | same);
            met |= same;
            if (same != 0 && tables != nullptr) {
                const __m512i wallpaper = _mm512_maskz_loadu_epi32(same, staged.wallpaper + i);
                _mm512_mask_storeu_epi32(staged.pixels + i, same, map(captured, wallpaper));
            }
        }
        return met != 0;
    });
}

MURIVO_VECTOR void UnstageVector(uint32_t* work, int j, int end, const StagedPixels& staged) {
    const uint16_t* staged_lanes = staged.lanes;
    const uint32_t* pixels = staged.pixels;
    for (; j < end; j += 16, ++staged_lanes) {
        const __mmask16 lanes = *staged_lanes;
        _mm512_mask_storeu_epi32(work + j, lanes,
                                 _mm512_maskz_expand_epi32(lanes, _mm512_loadu_si512(pixels)));
        pixels += __builtin_popcount(lanes);
    }
}

MURIVO_VECTOR int MapMarkedRunOfColourVector(uint32_t* work, const uint32_t* fitted,
                                             const uint32_t* last, const uint8_t* mask, int j,
                                             int end, uint32_t colour, const uint8_t* tables) {
    const __m512i key = _mm512_set1_epi32(int(colour));
    while (j < end) {
        const __mmask16 lanes = Lanes(end - j);
        const __m128i marks = _mm_maskz_loadu_epi8(lanes, mask + j);
        const __mmask16 marked = _mm_test_epi8_mask(marks, marks);
        const __m512i captured = _mm512_maskz_loadu_epi32(marked, work + j);
        const __mmask16 other = marked & ~SameColour(marked, captured, key);
        const __mmask16 run = BeforeFirst(other, lanes);
        MapLanes(work, fitted, last, j, run & marked, captured, tables);
        if (run != lanes) {
            return j + __builtin_popcount(run);
        }
        j += 16;
    }
    return end;
}

MURIVO_VECTOR void NearLanesVector(const uint32_t* work, const uint32_t* last,
                                   const uint8_t* classes, int j, int end, uint8_t kind,
                                   uint32_t colour, int tolerance, uint16_t* near) {
    const __m512i rgb = _mm512_set1_epi32(0x00FFFFFF);
    const __m512i key = _mm512_and_si512(_mm512_set1_epi32(int(colour)), rgb);
    const __m512i limit = _mm512_set1_epi8(char(tolerance));
    const __m128i kinds = _mm_set1_epi8(char(kind));
    for (; j < end; j += 16, ++near) {
        const __mmask16 lanes = Lanes(end - j);
        const __mmask16 of_kind =
            _mm_mask_cmpeq_epi8_mask(lanes, _mm_maskz_loadu_epi8(lanes, classes + j), kinds);
        const __m512i captured = _mm512_maskz_loadu_epi32(of_kind, work + j);
        const __m512i p = _mm512_and_si512(captured, rgb);
        const __m512i distance =
            _mm512_or_si512(_mm512_subs_epu8(p, key), _mm512_subs_epu8(key, p));
        const __m512i far = _mm512_movm_epi8(_mm512_cmpgt_epu8_mask(distance, limit));
        __mmask16 m = of_kind & ~_mm512_test_epi32_mask(far, far);
        if (last != nullptr) {
            m &= ~SameColour(m, captured, _mm512_maskz_loadu_epi32(m, last + j));
        }
        *near = m;
    }
}

#undef MURIVO_VECTOR
