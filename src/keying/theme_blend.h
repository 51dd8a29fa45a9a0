// How the host draws a theme colour blended over what is already there, as its draw-mode keys
// ("midi_griddm1", "midi_selbg_drawmode") describe: the mode in the low byte, the strength in
// bits 8..17, biased by 0x200, in 1/256 steps.
#pragma once

#include <cstdint>

// colour drawn over base (both 0x00BBGGRR) in draw_mode; a missing key (-1) draws it opaque.
int32_t BlendThemeColour(int32_t base, int32_t colour, int32_t draw_mode);

// How strongly draw_mode draws, 0..1 (1 for a missing key).
double DrawModeStrength(int32_t draw_mode);
