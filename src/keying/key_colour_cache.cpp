#include "keying/key_colour_cache.h"

#include <cstdint>

namespace {
uint32_t g_generation = 1;
}

void AdvanceKeyingGeneration() {
    ++g_generation;
}
