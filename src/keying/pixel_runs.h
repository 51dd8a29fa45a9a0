// The inner loops of compositing. Arrange views are long runs of one captured colour, and for
// one colour the output of a pixel depends only on its wallpaper pixel: each channel goes through
// a 256-entry table indexed by the wallpaper's value of that channel. These loops walk such a
// run, testing the colour of each pixel as they load it, so a run costs no extra pass.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/processor_features.h"
#include "keying/avx512_runs.h"
#include "keying/run_layout.h"

// A colour's widened tables (kWideTableWords words, laid out as run_layout.h says) end in the
// byte tables: [v] blue, [256 + v] green, [512 + v] red.
inline const uint8_t* TableBytes(const uint32_t* wide) {
    return reinterpret_cast<const uint8_t*>(wide + kWideTableSize);
}

// wide has room for kWideTableWords.
inline void WidenTables(const uint8_t* blue, const uint8_t* green, const uint8_t* red,
                        uint32_t* wide) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(wide + kWideTableSize);
    for (int v = 0; v < 256; ++v) {
        wide[v] = blue[v];
        wide[256 + v] = uint32_t(green[v]) << 8;
        wide[512 + v] = uint32_t(red[v]) << 16;
    }
    std::memcpy(bytes, blue, 256);
    std::memcpy(bytes + 256, green, 256);
    std::memcpy(bytes + 512, red, 256);
}

inline bool SameRgb(uint32_t a, uint32_t b) {
    return ((a ^ b) & kRgbMask) == 0;
}

// The colour for wallpaper pixel v, fourth byte 0.
inline uint32_t MapWide(uint32_t v, const uint32_t* wide) {
    return wide[v & 0xFF] | wide[256 + ((v >> 8) & 0xFF)] | wide[512 + ((v >> 16) & 0xFF)];
}

// The fourth byte of the captured pixel is kept; only the colour is replaced.
inline uint32_t MapPixel(uint32_t captured, uint32_t wallpaper, const uint32_t* wide) {
    return (captured & kFourthByte) | MapWide(wallpaper, wide);
}

// One row of the surfaces from the rectangle's first column on, all indexed by work column,
// and the processor path the row's loops take (chosen once per call by the compositor).
struct RowSurfaces {
    uint32_t* work;
    const uint32_t* fitted;
    const uint32_t* last;      // null when the last-frame protection is off
    const uint32_t* next_work; // the same columns one row down; null on the last row
    const uint32_t* next_fitted;
    ProcessorPath path;
};

// Item rectangles break rows into spans, and the hardware prefetchers lose the stream at every
// gap: the first pixels of a span then wait for memory. The next row has nearly always the same
// spans, so while a span is processed its lines one row down are requested.
inline void PrefetchNextRow(const RowSurfaces& row, int lo, int hi) {
    constexpr int kPixelsPerLine = 16;
    if (row.next_work == nullptr) {
        return;
    }
    for (int k = lo; k < hi; k += kPixelsPerLine) {
        __builtin_prefetch(row.next_work + k, 1);
        __builtin_prefetch(row.next_fitted + k, 0);
    }
}

// Whether a run of the row starting at column j goes to the vector loops (avx512_runs.h): on
// the avx512 path only, and as they pay a fixed cost per call, for runs that reach sixteen
// pixels (colour known or probed at the sixteenth).
inline bool TakeVectorPath(const RowSurfaces& row, int j, int end) {
    return row.path >= ProcessorPath::avx512 && end - j >= 16;
}

inline bool TakeVectorPathForRun(const RowSurfaces& row, int j, int end, uint32_t colour) {
    return TakeVectorPath(row, j, end) && SameRgb(row.work[j + 15], colour);
}

// Two pixels at a time as one 64-bit word: one colour test and one load per surface for both.
inline constexpr uint64_t kRgbMask2 = 0x00FFFFFF00FFFFFFu;
inline constexpr uint64_t kFourthByte2 = 0xFF000000FF000000u;

inline uint64_t LoadPair(const uint32_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void StorePair(uint32_t* p, uint64_t v) {
    std::memcpy(p, &v, sizeof v);
}

inline uint64_t MapPair(uint64_t captured, uint64_t wallpaper, const uint32_t* wide) {
    return (captured & kFourthByte2) | MapWide(uint32_t(wallpaper), wide) |
           uint64_t(MapWide(uint32_t(wallpaper >> 32), wide)) << 32;
}

// Maps the pixels from column j on that have `colour`; returns the first column with another
// colour, or end. With kProtect, pixels equal to the last frame are already output: left alone.
template <bool kProtect>
int MapRunOfColour(const RowSurfaces& row, int j, int end, uint32_t colour, const uint32_t* wide) {
    if (TakeVectorPathForRun(row, j, end, colour)) {
        return MapRunOfColourVector(row.work, row.fitted, kProtect ? row.last : nullptr, j, end,
                                    colour, TableBytes(wide));
    }
    uint32_t* work = row.work;
    const uint32_t* fitted = row.fitted;
    if (!kProtect) {
        const uint64_t colour2 = colour * 0x0000000100000001u;
        for (; end - j >= 2; j += 2) {
            const uint64_t p = LoadPair(work + j);
            if (((p ^ colour2) & kRgbMask2) != 0) {
                break; // the pixel-wise loop below finds which one differs
            }
            StorePair(work + j, MapPair(p, LoadPair(fitted + j), wide));
        }
    }
    for (; j < end; ++j) {
        const uint32_t p = work[j];
        if (!SameRgb(p, colour)) {
            break;
        }
        if (kProtect && SameRgb(p, row.last[j])) {
            continue;
        }
        work[j] = MapPixel(p, fitted[j], wide);
    }
    return j;
}

// The first column from j on whose colour is not `colour`, or end.
inline int EndOfColour(const uint32_t* work, int j, int end, uint32_t colour) {
    while (j < end && SameRgb(work[j], colour)) {
        ++j;
    }
    return j;
}

// The same on a row: long runs (colour still there at the sixteenth column) go to the vector
// loop on the avx512 path.
inline int EndOfColourFrom(const RowSurfaces& row, int j, int end, uint32_t colour) {
    if (TakeVectorPathForRun(row, j, end, colour)) {
        return EndOfColourVector(row.work, j, end, colour);
    }
    return EndOfColour(row.work, j, end, colour);
}

// As MapRunOfColour over item pixels: columns whose mask byte is 0 are passed over, and the run
// ends at the first marked pixel with another colour.
template <bool kProtect>
int MapMarkedRunOfColour(const RowSurfaces& row, const uint8_t* mask, int j, int end,
                         uint32_t colour, const uint32_t* wide) {
    if (TakeVectorPath(row, j, end)) {
        return MapMarkedRunOfColourVector(row.work, row.fitted, kProtect ? row.last : nullptr, mask,
                                          j, end, colour, TableBytes(wide));
    }
    uint32_t* work = row.work;
    for (; j < end; ++j) {
        if (mask[j] == 0) {
            continue;
        }
        const uint32_t p = work[j];
        if (!SameRgb(p, colour)) {
            break;
        }
        if (kProtect && SameRgb(p, row.last[j])) {
            continue;
        }
        work[j] = MapPixel(p, row.fitted[j], wide);
    }
    return j;
}

// Maps the pixels of columns [j, end) that have `colour` and passes over the others.
template <bool kProtect>
void MapPixelsOfColour(const RowSurfaces& row, int j, int end, uint32_t colour,
                       const uint32_t* wide) {
    if (TakeVectorPath(row, j, end)) {
        MapPixelsOfColourVector(row.work, row.fitted, kProtect ? row.last : nullptr, j, end, colour,
                                TableBytes(wide));
        return;
    }
    uint32_t* work = row.work;
    const uint32_t* fitted = row.fitted;
    if (!kProtect) {
        const uint64_t colour2 = colour * 0x0000000100000001u;
        for (; end - j >= 2; j += 2) {
            const uint64_t p = LoadPair(work + j);
            const uint64_t differ = (p ^ colour2) & kRgbMask2;
            if (differ == 0) {
                StorePair(work + j, MapPair(p, LoadPair(fitted + j), wide));
                continue;
            }
            if (uint32_t(differ) == 0) {
                work[j] = MapPixel(uint32_t(p), fitted[j], wide);
            }
            if ((differ >> 32) == 0) {
                work[j + 1] = MapPixel(uint32_t(p >> 32), fitted[j + 1], wide);
            }
        }
    }
    for (; j < end; ++j) {
        const uint32_t p = work[j];
        if (!SameRgb(p, colour) || (kProtect && SameRgb(p, row.last[j]))) {
            continue;
        }
        work[j] = MapPixel(p, fitted[j], wide);
    }
}
