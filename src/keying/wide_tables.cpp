#include "keying/wide_tables.h"

#include <bit>
#include <mutex>

// A frame has a few dozen colours. Untouched slots cost no memory beyond their zero pages.
WideSlot g_wide_slots[kWideSlots];
alignas(64) uint32_t g_wide_tables[kWideSlots][kWideTableWords];
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
// The keying inputs of the current call: fills reach the key colour cache from row loops that
// know only the colour.
KeyingInputs g_call_keying = {};

std::mutex g_fill_lock;

TableInputs CurrentTableInputs(const ProjectSettings& s) {
    return {{g_keying_generation, std::bit_cast<uint64_t>(s.opacity),
             std::bit_cast<uint64_t>(s.tint), uint64_t(uint32_t(s.tint_rgb)),
             std::bit_cast<uint64_t>(s.time_selection),
             std::bit_cast<uint64_t>(s.audio_item_transparency),
             std::bit_cast<uint64_t>(s.midi_item_transparency)}};
}

} // namespace

void BeginCompositeCall(const ProjectSettings& settings, const KeyingInputs& keying) {
    ++g_composite_call;
    g_call_keying = keying;
    const TableInputs inputs = CurrentTableInputs(settings);
    if (!(inputs == g_epoch_inputs)) {
        g_epoch_inputs = inputs;
        ++g_table_epoch;
    }
}

const uint32_t* FillWideTables(uint32_t key, TableSpares& spares) {
    const std::lock_guard<std::mutex> hold(g_fill_lock);
    // Linear probing, so that two colours of one row do not take turns in a slot.
    const uint32_t home = KeyColourSlot(key);
    WideSlot* free = nullptr;
    uint32_t slot = 0;
    for (uint32_t probe = 0; probe < kWideProbes && free == nullptr; ++probe) {
        slot = (home + probe) % kWideSlots;
        WideSlot& c = g_wide_slots[slot];
        if (c.epoch != g_table_epoch) {
            free = &c;
        } else if (c.key == key) {
            return c.is_key != 0 ? g_wide_tables[slot] : nullptr;
        }
    }
    // Within an epoch the tables are a function of the key, wherever they are kept.
    const KeyColourEntry& e = LookupKeyColourShared(key, spares.entry, g_call_keying);
    uint32_t* wide = free != nullptr ? g_wide_tables[slot] : spares.wide;
    if (e.is_key != 0) {
        WidenTables(e.blue_table, e.green_table, e.red_table, wide);
    }
    if (free != nullptr) {
        free->key = key;
        free->is_key = e.is_key != 0 ? 1 : 0;
        __atomic_store_n(&free->epoch, g_table_epoch, __ATOMIC_RELEASE);
    }
    return e.is_key != 0 ? wide : nullptr;
}
