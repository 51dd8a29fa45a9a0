#include "test_picture.h"

#include <cstdint>

#include "png_writer.h"

namespace sim {

namespace {

// FNV-1a over the name after the last separator: where the file lies does not change it.
uint32_t NameSeed(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    uint32_t hash = 2166136261u;
    for (unsigned char c : name) {
        hash = (hash ^ c) * 16777619u;
    }
    return hash;
}

uint32_t Mix(uint32_t x, uint32_t y, uint32_t seed) {
    uint32_t h = x * 0x9E3779B1u ^ y * 0x85EBCA77u ^ seed;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

} // namespace

bool MakeTestPicture(const std::string& path, int width, int height, std::string& error) {
    uint32_t seed = NameSeed(path);
    int shift = static_cast<int>(seed % 3) * 8; // which channel carries the across gradient
    auto row = [&](int y, uint32_t* pixels) {
        uint32_t down = static_cast<uint32_t>(y) * 255u / static_cast<uint32_t>(height);
        for (int x = 0; x < width; ++x) {
            uint32_t across = static_cast<uint32_t>(x) * 255u / static_cast<uint32_t>(width);
            // Cells of 4 x 4 pixels with a random value each: texture the filters cannot predict,
            // coarse enough that the encoder still finds repeats and a large picture is written
            // in seconds.
            uint32_t noise =
                Mix(static_cast<uint32_t>(x) >> 2, static_cast<uint32_t>(y) >> 2, seed);
            uint32_t base = (across << shift) | (down << ((shift + 8) % 24)) |
                            (((across + down + (seed >> 24)) & 0xFF) << ((shift + 16) % 24));
            pixels[x] = (base ^ (noise & 0x000F0F0F)) & 0x00FFFFFF;
        }
    };
    return WritePngRows(path, width, height, row, error);
}

} // namespace sim
