// Scans of one class map row for runs of item classes. Eight class bytes are tested at a time:
// rows are long runs of no item or of one item.
#pragma once

#include <cstdint>
#include <cstring>

#include "keying/item_overlay.h"

inline uint64_t LoadClassWord(const uint8_t* classes) {
    uint64_t word;
    std::memcpy(&word, classes, sizeof word);
    return word;
}

// The first column from j on whose class is not `kind`, or end.
inline int EndOfKind(const uint8_t* classes, int j, int end, uint8_t kind) {
    const uint64_t repeated = kind * 0x0101010101010101u;
    while (end - j >= 8 && LoadClassWord(classes + j) == repeated) {
        j += 8;
    }
    while (j < end && classes[j] == kind) {
        ++j;
    }
    return j;
}

// The first column from j on that holds no item (class 0), or end.
inline int EndOfItems(const uint8_t* classes, int j, int end) {
    constexpr uint64_t kOnes = 0x0101010101010101u;
    constexpr uint64_t kHighBits = 0x8080808080808080u;
    while (end - j >= 8) {
        const uint64_t word = LoadClassWord(classes + j);
        if (((word - kOnes) & ~word & kHighBits) != 0) {
            break; // some byte of the word is zero
        }
        j += 8;
    }
    while (j < end && classes[j] != kNoItem) {
        ++j;
    }
    return j;
}
