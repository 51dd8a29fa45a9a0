// Placeholder until the key colour cache lands: only the generation the theme snapshot advances.
#pragma once

void AdvanceKeyingGeneration();
