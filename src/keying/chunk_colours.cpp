#include "keying/chunk_colours.h"

#include "keying/vector_runs.h"
#include "keying/wide_tables.h"

namespace {

// The last chunk's colours out of the time selection band and in it, as rows alternate between
// the two. Per thread, so that threads splitting a frame do not share them.
thread_local ChunkColours t_last_chunk[2];

ChunkColours& LastChunkIn(uint32_t band_state) {
    return t_last_chunk[(band_state & ~kRgbMask) != 0 ? 1 : 0];
}

// Whether the slot the tables came from still holds them for `key`.
bool TablesStillHeld(uint32_t key, const uint32_t* wide) {
    const auto slot = size_t(wide - g_wide_tables[0]) / kWideTableWords;
    const WideSlot& s = g_wide_slots[slot];
    return s.epoch == g_table_epoch && s.key == key && s.is_key != 0;
}

// Colour `from` takes slot `to`, with its seen bit.
void MoveColour(ChunkColours& c, int from, int to) {
    c.keys[to] = c.keys[from];
    c.wide[to] = c.wide[from];
    c.seen = (c.seen & ~(1u << to)) | (c.seen >> from & 1u) << to;
}

// Drops the colours whose tables a fill took over.
void DropLostColours(ChunkColours& c) {
    for (int i = 0; i < c.count;) {
        if (c.wide[i] != nullptr && !TablesStillHeld(c.keys[i], c.wide[i])) {
            --c.count;
            MoveColour(c, c.count, i);
        } else {
            ++i;
        }
    }
}

} // namespace

const uint32_t* AddChunkColour(ChunkColours& colours, uint32_t key) {
    ChunkColours& c = colours;
    const uint32_t* wide = KeyedWideTables(key);
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
    // With every probed slot taken, the fill reused the slot of another colour's tables.
    DropLostColours(c);
    return wide;
}

ChunkColours BeginChunkColours(uint32_t band_bit) {
    const ChunkColours& last = LastChunkIn(band_bit);
    if (last.epoch != g_table_epoch) {
        ChunkColours c;
        c.epoch = g_table_epoch;
        return c;
    }
    ChunkColours c = last;
    c.seen = 0;
    DropLostColours(c);
    return c;
}

void EndChunkColours(const ChunkColours& colours) {
    if (colours.count == 0) {
        return;
    }
    ChunkColours& kept = LastChunkIn(colours.keys[0]);
    kept = {colours.epoch};
    for (int k = 0; k < colours.count; ++k) {
        if ((colours.seen >> k & 1) != 0) {
            kept.keys[kept.count] = colours.keys[k];
            kept.wide[kept.count] = colours.wide[k];
            ++kept.count;
        }
    }
}

void KeyStagedPixels(StagedPixels& staged, uint32_t band_bit) {
    ChunkColours colours = BeginChunkColours(band_bit);
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
        const uint32_t* wide = AddChunkColour(colours, key);
        MapStagedOfColourVector(staged, b, key, wide != nullptr ? TableBytes(wide) : nullptr);
    }
    EndChunkColours(colours);
}
