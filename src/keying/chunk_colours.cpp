#include "keying/chunk_colours.h"

#include <cstdint>

#include "keying/avx512_runs.h"
#include "keying/wide_tables.h"

namespace {

// The band and view bits: a chunk keyed for one never starts from another's colours, whose
// decisions were made in another band or against another view's theme.
int BandIndex(uint32_t band_state) {
    return int((band_state & (kBandKeyBit | kNoteViewKeyBit)) >> 24);
}

// Whether the tables live in a slot, which keeps them for the epoch, rather than in spares.
bool InSlot(const uint32_t* wide) {
    const auto at = reinterpret_cast<uintptr_t>(wide);
    const auto first = reinterpret_cast<uintptr_t>(&g_wide_tables[0][0]);
    return at >= first && at < first + sizeof g_wide_tables;
}

} // namespace

const uint32_t* AddChunkColour(ChunkColours& colours, uint32_t key, TableSpares& spares) {
    ChunkColours& c = colours;
    const uint32_t* wide = KeyedWideTables(key, spares);
    if (wide != nullptr && !InSlot(wide)) {
        return wide;
    }
    int k = c.count;
    if (k < kChunkColourCapacity) {
        ++c.count;
    } else {
        k = c.next_replaced;
        c.next_replaced = (k + 1) % kChunkColourCapacity;
    }
    c.keys[k] = key;
    c.wide[k] = wide;
    c.seen |= 1u << k; // added as met
    return wide;
}

ChunkColours BeginChunkColours(const ChunkMemory& memory, uint32_t band_bit) {
    const ChunkColours& last = memory.last[BandIndex(band_bit)];
    if (last.epoch != g_table_epoch) {
        ChunkColours c;
        c.epoch = g_table_epoch;
        return c;
    }
    ChunkColours c = last;
    c.seen = 0;
    return c;
}

void EndChunkColours(ChunkMemory& memory, const ChunkColours& colours) {
    if (colours.count == 0) {
        return;
    }
    ChunkColours& kept = memory.last[BandIndex(colours.keys[0])];
    kept = {colours.epoch};
    for (int k = 0; k < colours.count; ++k) {
        if ((colours.seen >> k & 1) != 0) {
            kept.keys[kept.count] = colours.keys[k];
            kept.wide[kept.count] = colours.wide[k];
            ++kept.count;
        }
    }
}

void KeyStagedPixels(StagedPixels& staged, uint32_t band_bit, ChunkMemory& memory,
                     TableSpares& spares) {
    ChunkColours colours = BeginChunkColours(memory, band_bit);
    for (int k = 0; k < colours.count; ++k) {
        const uint32_t* wide = colours.wide[k];
        if (MapStagedOfColourVector(staged, 0, colours.keys[k],
                                    wide != nullptr ? TableBytes(wide) : nullptr)) {
            colours.seen |= 1u << k;
        }
    }
    const int blocks = (staged.count + 15) / 16;
    for (int b = 0;;) {
        while (b < blocks && staged.found[b] == 0xFFFF) {
            ++b;
        }
        if (b == blocks) {
            break;
        }
        const int i = 16 * b + __builtin_ctz(~uint32_t(staged.found[b]));
        const uint32_t key = (staged.pixels[i] & kRgbMask) | band_bit;
        const uint32_t* wide = AddChunkColour(colours, key, spares);
        MapStagedOfColourVector(staged, b, key, wide != nullptr ? TableBytes(wide) : nullptr);
    }
    EndChunkColours(memory, colours);
}
