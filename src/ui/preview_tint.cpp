#include "ui/preview_tint.h"

#include <cstring>

#include "frame/black_and_white.h"

namespace {

struct ChannelTable {
    uint8_t entry[256];
};

ChannelTable TableFor(uint32_t channel, double amount) {
    ChannelTable table;
    double factor = channel * amount / 255.0 + (1.0 - amount);
    for (int i = 0; i < 256; ++i) {
        table.entry[i] = static_cast<uint8_t>(factor * i + 0.5);
    }
    return table;
}

} // namespace

void TintPixels(const uint8_t* source, uint8_t* target, size_t count, bool grayscale,
                uint32_t tint_colour, double amount) {
    if (!grayscale && amount == 0.0) {
        std::memcpy(target, source, count * 4);
        return;
    }
    const ChannelTable red = TableFor(tint_colour & 0xFF, amount);
    const ChannelTable green = TableFor((tint_colour >> 8) & 0xFF, amount);
    const ChannelTable blue = TableFor((tint_colour >> 16) & 0xFF, amount);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* in = source + i * 4;
        uint8_t* out = target + i * 4;
        if (grayscale) {
            uint8_t grey = GreyOf(in[2], in[1], in[0]);
            out[0] = blue.entry[grey];
            out[1] = green.entry[grey];
            out[2] = red.entry[grey];
        } else {
            out[0] = blue.entry[in[0]];
            out[1] = green.entry[in[1]];
            out[2] = red.entry[in[2]];
        }
        out[3] = in[3];
    }
}
