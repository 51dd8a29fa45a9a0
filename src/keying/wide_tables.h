// The key colour decisions with their tables widened to 32-bit words
// (see pixel_runs.h), in front of the key colour cache: a run of a colour seen before costs one
// probe. The tables are kept from call to call for as long as nothing they are made from
// (keying generation, opacity, tint, time selection share, item transparencies) changed.
#pragma once

#include <cstdint>

#include "keying/key_colour_cache.h"
#include "keying/pixel_runs.h"

// What a slot holds, apart from its tables: probed for every run, so the slots sit together in
// a few cache lines rather than one per table.
struct WideSlot {
    uint64_t epoch; // the table epoch that filled the slot; 0 never
    uint32_t key;   // as in the key colour cache: band << 24 | red << 16 | green << 8 | blue
    uint32_t is_key;
};

inline constexpr uint32_t kWideSlots = 256;
extern WideSlot g_wide_slots[kWideSlots];
extern uint32_t g_wide_tables[kWideSlots][kWideTableWords]; // meaningful when the slot is_key
extern uint64_t g_composite_call;                           // numbers the calls; never 0
// Numbers the runs of calls made with the same table inputs; never 0. Tables of an earlier
// epoch no longer count.
extern uint64_t g_table_epoch;

// Starts a call, and a new table epoch when any input of the tables changed since the last one.
void BeginCompositeCall();

// The slow path of KeyedWideTables: looks the colour up in the key colour cache and widens.
const uint32_t* FillWideTables(uint32_t key);

// The widened tables of a key colour, or null when the colour is not background. Valid until
// the end of the call, or until a later fill reuses the slot (only after every probed slot is
// taken), so callers fetch them again for every run.
inline const uint32_t* KeyedWideTables(uint32_t key) {
    const uint32_t slot = KeyColourSlot(key) % kWideSlots;
    const WideSlot& t = g_wide_slots[slot];
    if (t.epoch == g_table_epoch && t.key == key) {
        return t.is_key != 0 ? g_wide_tables[slot] : nullptr;
    }
    return FillWideTables(key);
}
