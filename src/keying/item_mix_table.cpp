#include "keying/item_mix_table.h"

#include "keying/colour_math.h"

ItemMixTable g_audio_item_mix = {};
ItemMixTable g_midi_item_mix = {};

const ItemMixTable& PrepareItemMixTable(ItemMixTable& table, double t) {
    if (table.built && table.transparency == t) {
        return table;
    }
    for (int captured = 0; captured < 256; ++captured) {
        const double kept = captured * (1 - t);
        for (int base = 0; base < 256; ++base) {
            table.out[captured][base] = TruncateToByte(base * t + kept + 0.5);
        }
    }
    table.transparency = t;
    table.built = true;
    return table;
}
