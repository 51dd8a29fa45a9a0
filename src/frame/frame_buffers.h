// The persistent surfaces working, fitted and lastFrame at the arrange view's client size.
#pragma once

#include <windows.h>

// True when all three surfaces exist at exactly this size on return.
bool EnsureFrameBuffers(HDC reference, int width, int height);

// Frees the surfaces and the per-frame state; safe when nothing exists.
void ReleaseFrameBuffers();

// Redraws fitted from the picture for the current fit mode and black-and-white option.
void FitWallpaper(int width, int height);

// Device contexts of the surfaces, or null while they do not exist.
HDC WorkingDc();
HDC LastFrameDc();
