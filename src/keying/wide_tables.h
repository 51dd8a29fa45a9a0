// The key colour decisions with their tables widened to 32-bit words
// (see pixel_runs.h), in front of the key colour cache: a run of a colour seen before costs one
// probe. The tables are kept from call to call for as long as nothing they are made from
// (keying generation, opacity, tint, time selection share, item transparencies) changed.
#pragma once

#include <cstdint>

#include "keying/key_colour_cache.h"
#include "keying/pixel_runs.h"
#include "settings/project_settings.h"

// Where one thread's fills go when every slot they may take already holds another colour of
// this epoch: a slot filled in an epoch is never overwritten within it, as other threads of the
// frame may be reading it.
struct TableSpares {
    KeyColourEntry entry;                       // the key colour being widened
    KeyColourEntry lane_entry;                  // the lane colour under the item span being blended
    alignas(64) uint32_t wide[kWideTableWords]; // whole cache lines, as the vector loops read
    alignas(64) uint32_t item[kWideTableWords];
};

// What a slot holds, apart from its tables: probed for every run, so the slots sit together in
// a few cache lines rather than one per table.
struct WideSlot {
    uint64_t epoch; // the table epoch that filled the slot; 0 never
    uint32_t key;   // as in the key colour cache: view and band bits, then the colour
    uint32_t is_key;
};

inline constexpr uint32_t kWideSlots = 256;
extern WideSlot g_wide_slots[kWideSlots];
// Meaningful when the slot is_key; aligned to whole cache lines, as the vector loops read them.
alignas(64) extern uint32_t g_wide_tables[kWideSlots][kWideTableWords];
extern uint64_t g_composite_call; // numbers the calls; never 0
// Numbers the runs of calls made with the same table inputs; never 0. Tables of an earlier
// epoch no longer count.
extern uint64_t g_table_epoch;

// Starts a call, and a new table epoch when any input of the tables changed since the last one.
// The call's fills take their keying inputs from `keying`, kept until the next call.
void BeginCompositeCall(const ProjectSettings& settings, const KeyingInputs& keying);

// The slow path of KeyedWideTables: looks the colour up in the key colour cache and widens.
// Fills are serialised; a slot is published by its epoch, written last.
const uint32_t* FillWideTables(uint32_t key, TableSpares& spares);

// The widened tables of a key colour, or null when the colour is not background. Valid until
// the end of the call, or (when they had to go to spares) until this thread's next fill, so
// callers fetch them again for every run. Safe while other threads of the call look up too.
inline const uint32_t* KeyedWideTables(uint32_t key, TableSpares& spares) {
    const uint32_t slot = KeyColourSlot(key) % kWideSlots;
    const WideSlot& t = g_wide_slots[slot];
    if (__atomic_load_n(&t.epoch, __ATOMIC_ACQUIRE) == g_table_epoch && t.key == key) {
        return t.is_key != 0 ? g_wide_tables[slot] : nullptr;
    }
    return FillWideTables(key, spares);
}
