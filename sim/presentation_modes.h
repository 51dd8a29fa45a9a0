// How the host puts a paint of one of its views (the arrange view, a MIDI editor's note view)
// on the screen: the whole client area from a
// fresh back buffer, or only the invalidated rectangle from a back buffer that persists between
// paints and is larger than the client area (so source and destination points differ), as one
// copy or as several horizontal bands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "presentation_probe.h"

namespace sim {

enum class PresentMode { kWhole, kDirty, kStrips };

void SetPresentMode(PresentMode mode);
PresentMode CurrentPresentMode();
// "whole", "dirty" or "strips"; false for anything else.
bool PresentModeFromName(const std::string& name, PresentMode& mode);

// Draws window's whole client area (width x height) into pixels, 0x00RRGGBB top-down.
using ViewPainter = void (*)(HWND window, uint32_t* pixels, int width, int height);

// Paints window with painter and presents the `dirty` part of the client area (width x height)
// on dc through the executable's BitBlt import, probing every copy as a presentation of view.
// Each window has a persistent back buffer of its own.
void PaintAndPresent(HWND window, HDC dc, const RECT& dirty, int width, int height,
                     ViewPainter painter, ProbedView view);

// Answers a WM_PAINT of window: BeginPaint, PaintAndPresent of what it asks for, EndPaint, timed
// as the host's own painting (ui_stall.h). False when there was no client area to paint.
bool PaintWindow(HWND window, ViewPainter painter, ProbedView view);

// Frees window's persistent back buffer (when its window is destroyed), or every one.
void ReleaseBackBuffer(HWND window);
void ReleaseBackBuffers();

} // namespace sim
