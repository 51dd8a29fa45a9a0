// Keying decisions per captured colour: is it arrange background, and if so what each wallpaper
// channel value becomes there. A direct-mapped table, made stale in one step by a generation.
#pragma once

#include <cstdint>

#include "keying/key_colour_tables.h"

struct KeyColourEntry {
    uint32_t key;        // view << 25 | band << 24 | red << 16 | green << 8 | blue
    uint32_t generation; // keying generation the entry was computed at; 0 never valid
    uint8_t is_key;      // 1: background, blended through the tables below
    uint8_t blue_table[256];
    uint8_t green_table[256];
    uint8_t red_table[256];
};

inline constexpr int kKeyColourSlots = 16384;

// Static and zero-filled at load; about 12 MiB.
extern KeyColourEntry g_key_colour_cache[kKeyColourSlots];
// Starts at 1, so a zero-filled entry never counts as valid.
extern uint32_t g_keying_generation;

// The key of a colour in the pixel layout (red << 16 | green << 8 | blue), plus the band bit.
inline uint32_t KeyColourKey(uint32_t rgb, bool in_band) {
    return (rgb & 0xFFFFFF) | (in_band ? kBandKeyBit : 0u);
}

inline uint32_t KeyColourSlot(uint32_t key) {
    return (key * 0x9E3779B1u) >> 18;
}

// The entry of key, filled from `in` when the slot holds no valid entry of it. Safe while other
// threads of the same call look up too: an entry valid in this generation is never overwritten
// (another thread may be reading it), so a colour whose slot is taken is filled into `spare`, and
// the result lasts until this thread's next lookup. Fills are serialised; a hit takes no lock.
const KeyColourEntry& LookupKeyColourShared(uint32_t key, KeyColourEntry& spare,
                                            const KeyingInputs& in);

// Makes every entry stale; on the 32-bit wrap the table is zeroed and the generation restarts at 1.
void AdvanceKeyingGeneration();
