#include "keying/wide_tables.h"

// A frame has a few dozen colours. Untouched slots cost no memory beyond their zero pages.
WideSlot g_wide_slots[kWideSlots];
uint32_t g_wide_tables[kWideSlots][kWideTableWords];
uint64_t g_composite_call = 1;

namespace {

constexpr uint32_t kWideProbes = 8;

} // namespace

void BeginCompositeCall() {
    ++g_composite_call;
}

const uint32_t* FillWideTables(uint32_t key) {
    // Linear probing, so that two colours of one row do not take turns in a slot.
    const uint32_t home = KeyColourSlot(key);
    uint32_t slot = home % kWideSlots;
    for (uint32_t probe = 0; probe < kWideProbes; ++probe) {
        const uint32_t candidate = (home + probe) % kWideSlots;
        const WideSlot& c = g_wide_slots[candidate];
        if (c.call != g_composite_call) {
            slot = candidate; // free in this call
            break;
        }
        if (c.key == key) {
            return c.is_key != 0 ? g_wide_tables[candidate] : nullptr;
        }
    }
    // A free slot, or with every probed slot taken the home slot is reused. Within a call the
    // tables are a function of the key, even after the cache entry was evicted and refilled.
    const KeyColourEntry& e = LookupKeyColourByKey(key);
    WideSlot& t = g_wide_slots[slot];
    t.key = key;
    t.call = g_composite_call;
    t.is_key = e.is_key != 0 ? 1 : 0;
    if (t.is_key == 0) {
        return nullptr;
    }
    WidenTables(e.blue_table, e.green_table, e.red_table, g_wide_tables[slot]);
    return g_wide_tables[slot];
}
