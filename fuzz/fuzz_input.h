// Reads typed values off the front of a fuzzer's byte string; once the bytes run out every
// value reads as zero, so a target never needs to check how much is left.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

struct FuzzInput {
    const uint8_t* data;
    size_t size;

    uint8_t U8() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }

    uint32_t U32() {
        uint32_t value = 0;
        Copy(&value, sizeof value);
        return value;
    }

    // Any bit pattern, NaN and infinities included.
    double Double() {
        double value = 0;
        Copy(&value, sizeof value);
        return value;
    }

    // An integer in lo..hi (inclusive), lo <= hi.
    int Range(int lo, int hi) {
        const uint64_t span = uint64_t(int64_t(hi) - lo) + 1;
        return int(int64_t(lo) + int64_t(U32() % span));
    }

    // A text whose length comes first (up to max_length), then its bytes.
    std::string Text(size_t max_length) {
        size_t n = std::min<size_t>({size_t(U8()) | size_t(U8()) << 8, max_length, size});
        if (n == 0) {
            return {};
        }
        std::string text(reinterpret_cast<const char*>(data), n);
        data += n;
        size -= n;
        return text;
    }

  private:
    void Copy(void* out, size_t n) {
        const size_t k = std::min(n, size);
        if (k == 0) {
            return; // data may be null for an empty input
        }
        std::memcpy(out, data, k);
        data += k;
        size -= k;
    }
};
