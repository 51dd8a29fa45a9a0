#include "keying/key_colour_cache.h"

#include <cstring>
#include <mutex>

KeyColourEntry g_key_colour_cache[kKeyColourSlots] = {};
uint32_t g_keying_generation = 1;

namespace {

std::mutex g_fill_lock;

// Recomputes the entry of key in place (the miss path of the lookup).
void FillKeyColourEntry(KeyColourEntry& entry, uint32_t key, const KeyingInputs& in) {
    entry.key = key;
    entry.is_key =
        FillKeyColourTables(key, in, entry.blue_table, entry.green_table, entry.red_table) ? 1 : 0;
    // Written last: a thread that sees the generation sees the whole entry.
    __atomic_store_n(&entry.generation, g_keying_generation, __ATOMIC_RELEASE);
}

} // namespace

const KeyColourEntry& LookupKeyColourShared(uint32_t key, KeyColourEntry& spare,
                                            const KeyingInputs& in) {
    KeyColourEntry& entry = g_key_colour_cache[KeyColourSlot(key)];
    if (__atomic_load_n(&entry.generation, __ATOMIC_ACQUIRE) == g_keying_generation &&
        entry.key == key) {
        return entry;
    }
    const std::lock_guard<std::mutex> hold(g_fill_lock);
    if (entry.generation != g_keying_generation) {
        FillKeyColourEntry(entry, key, in);
        return entry;
    }
    if (entry.key == key) {
        return entry; // filled by another thread meanwhile
    }
    FillKeyColourEntry(spare, key, in);
    return spare;
}

void AdvanceKeyingGeneration() {
    if (++g_keying_generation == 0) {
        // An entry from the previous cycle could carry any generation number again.
        std::memset(static_cast<void*>(g_key_colour_cache), 0, sizeof g_key_colour_cache);
        g_keying_generation = 1;
    }
}
