// An arrange view made from fuzzer bytes for the keying targets: host functions that answer
// with hostile values (NaN, infinities, huge and negative numbers, null handles), a theme, the
// current settings and the frame's surfaces.
#pragma once

#include <cstdint>
#include <vector>

#include "fuzz_input.h"

struct FuzzArrange {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> working;
    std::vector<uint32_t> fitted;
    std::vector<uint32_t> last_frame;
};

// Binds the fake host, commits a theme, sets the current settings and points g_frame at the
// surfaces of a frame of at most max_side x max_side pixels, all from the input.
void BuildFuzzArrange(FuzzInput& in, FuzzArrange& arrange, int max_side);

// Clears the host table and every piece of keying state the next input must not see.
void ResetFuzzArrange();
