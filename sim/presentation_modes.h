// How the host puts a paint of its arrange view on the screen: the whole client area from a
// fresh back buffer, or only the invalidated rectangle from a back buffer that persists between
// paints and is larger than the client area (so source and destination points differ), as one
// copy or as several horizontal bands.
#pragma once

#include <windows.h>

#include <string>

namespace sim {

enum class PresentMode { kWhole, kDirty, kStrips };

void SetPresentMode(PresentMode mode);
PresentMode CurrentPresentMode();
// "whole", "dirty" or "strips"; false for anything else.
bool PresentModeFromName(const std::string& name, PresentMode& mode);

// Paints the current scene and presents the `dirty` part of the client area (width x height) on
// dc through the executable's BitBlt import, probing every copy.
void PaintAndPresent(HWND window, HDC dc, const RECT& dirty, int width, int height);

// Frees the persistent back buffer.
void ReleaseBackBuffer();

} // namespace sim
