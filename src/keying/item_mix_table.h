// The item transparency mix, out = trunc(base * t + captured * (1 - t) + 0.5), tabulated for
// every captured channel value and every base value. Item pixels are the only ones that need
// floating point per channel; with the table they cost two look-ups a channel.
#pragma once

#include <cstdint>

struct ItemMixTable {
    double transparency; // t the table was built for
    bool built;
    uint8_t out[256][256]; // [captured][base]
};

// One table per item transparency setting; kept across frames and rebuilt only when t changes.
extern ItemMixTable g_audio_item_mix;
extern ItemMixTable g_midi_item_mix;

// Makes table hold the mix for transparency t (> 0) and returns it.
const ItemMixTable& PrepareItemMixTable(ItemMixTable& table, double t);
