#include "keying/wide_tables.h"

#include <bit>

#include "settings/project_settings.h"

// A frame has a few dozen colours. Untouched slots cost no memory beyond their zero pages.
WideSlot g_wide_slots[kWideSlots];
uint32_t g_wide_tables[kWideSlots][kWideTableWords];
uint64_t g_composite_call = 1;
uint64_t g_table_epoch = 1;

namespace {

constexpr uint32_t kWideProbes = 8;

// What the background and item tables are made from besides the captured colour. Doubles are
// compared by their bits: a NaN setting then still matches itself.
struct TableInputs {
    uint64_t values[7];

    bool operator==(const TableInputs&) const = default;
};

TableInputs g_epoch_inputs = {};

TableInputs CurrentTableInputs() {
    const ProjectSettings& s = g_current_settings;
    return {{g_keying_generation, std::bit_cast<uint64_t>(s.opacity),
             std::bit_cast<uint64_t>(s.tint), uint64_t(uint32_t(s.tint_rgb)),
             std::bit_cast<uint64_t>(s.time_selection),
             std::bit_cast<uint64_t>(s.audio_item_transparency),
             std::bit_cast<uint64_t>(s.midi_item_transparency)}};
}

} // namespace

void BeginCompositeCall() {
    ++g_composite_call;
    const TableInputs inputs = CurrentTableInputs();
    if (!(inputs == g_epoch_inputs)) {
        g_epoch_inputs = inputs;
        ++g_table_epoch;
    }
}

const uint32_t* FillWideTables(uint32_t key) {
    // Linear probing, so that two colours of one row do not take turns in a slot.
    const uint32_t home = KeyColourSlot(key);
    uint32_t slot = home % kWideSlots;
    for (uint32_t probe = 0; probe < kWideProbes; ++probe) {
        const uint32_t candidate = (home + probe) % kWideSlots;
        const WideSlot& c = g_wide_slots[candidate];
        if (c.epoch != g_table_epoch) {
            slot = candidate; // free in this epoch
            break;
        }
        if (c.key == key) {
            return c.is_key != 0 ? g_wide_tables[candidate] : nullptr;
        }
    }
    // A free slot, or with every probed slot taken the home slot is reused. Within an epoch the
    // tables are a function of the key, even after the cache entry was evicted and refilled.
    const KeyColourEntry& e = LookupKeyColourByKey(key);
    WideSlot& t = g_wide_slots[slot];
    t.key = key;
    t.epoch = g_table_epoch;
    t.is_key = e.is_key != 0 ? 1 : 0;
    if (t.is_key == 0) {
        return nullptr;
    }
    WidenTables(e.blue_table, e.green_table, e.red_table, g_wide_tables[slot]);
    return g_wide_tables[slot];
}
