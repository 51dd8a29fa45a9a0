// The simulated arrange view's pixels for tests: what the host draws, what the screen shows,
// back buffers to copy from, and gdi32's own BitBlt past whatever sits in the import slot.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "frame/memory_bitmap.h"

using Pixels = std::vector<uint32_t>;
using SystemBitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);

// gdi32's BitBlt itself, not whatever the import slot holds.
SystemBitBltFunction SystemBitBlt();

// What the host's back buffer holds for the current scene (0x00RRGGBB, top-down).
Pixels HostImage(int width, int height);

// What the arrange view shows; empty when it cannot be read.
Pixels ArrangeScreen();

// A memory DC with a DIB section holding pixels; released by ReleaseSource.
using SourceSurface = MemoryBitmap;
SourceSurface MakeSource(const Pixels& pixels, int width, int height);
void ReleaseSource(SourceSurface& source);

// Paints the arrange view black without BitBlt.
void BlackOutArrange();
