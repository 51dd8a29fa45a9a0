#include "keying/wide_tables.h"

// A frame has a few dozen colours. Untouched slots cost no memory beyond their zero pages.
WideTables g_wide_tables[kWideSlots];
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
    WideTables* t = &g_wide_tables[home % kWideSlots];
    for (uint32_t probe = 0; probe < kWideProbes; ++probe) {
        WideTables& candidate = g_wide_tables[(home + probe) % kWideSlots];
        if (candidate.call != g_composite_call) {
            t = &candidate; // free in this call
            break;
        }
        if (candidate.key == key) {
            return candidate.is_key ? candidate.wide : nullptr;
        }
    }
    // A free slot, or with every probed slot taken the home slot is reused. Within a call the
    // tables are a function of the key, even after the cache entry was evicted and refilled.
    const KeyColourEntry& e = LookupKeyColourByKey(key);
    t->key = key;
    t->call = g_composite_call;
    t->is_key = e.is_key != 0;
    if (t->is_key) {
        WidenTables(e.blue_table, e.green_table, e.red_table, t->wide);
    }
    return t->is_key ? t->wide : nullptr;
}
