// Keying decisions per captured colour: is it arrange background, and if so what each wallpaper
// channel value becomes there. A direct-mapped table, made stale in one step by a generation.
#pragma once

#include <cstdint>

struct KeyColourEntry {
    uint32_t key;        // band << 24 | red << 16 | green << 8 | blue
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
    return (rgb & 0xFFFFFF) | (in_band ? 1u << 24 : 0u);
}

inline uint32_t KeyColourSlot(uint32_t key) {
    return (key * 0x9E3779B1u) >> 18;
}

// Recomputes the entry of key in place (the miss path of the lookups).
void FillKeyColourEntry(KeyColourEntry& entry, uint32_t key);

// The entry stays valid only until the next lookup, which may take over the same slot.
inline KeyColourEntry& LookupKeyColourByKey(uint32_t key) {
    KeyColourEntry& entry = g_key_colour_cache[KeyColourSlot(key)];
    if (entry.generation != g_keying_generation || entry.key != key) {
        FillKeyColourEntry(entry, key);
    }
    return entry;
}

// As LookupKeyColourByKey, safe while other threads of the same call look up too: an entry valid
// in this generation is never overwritten (another thread may be reading it), so a colour whose
// slot is taken is filled into `spare`. Fills are serialised; a hit takes no lock.
const KeyColourEntry& LookupKeyColourShared(uint32_t key, KeyColourEntry& spare);

inline KeyColourEntry& LookupKeyColour(uint8_t red, uint8_t green, uint8_t blue, bool in_band) {
    return LookupKeyColourByKey(KeyColourKey(uint32_t(red) << 16 | green << 8 | blue, in_band));
}

// Makes every entry stale; on the 32-bit wrap the table is zeroed and the generation restarts at 1.
void AdvanceKeyingGeneration();
