// The settings dialog's small model of the arrange view with the wallpaper applied.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "ui/settings_dialog_state.h"

// Asks the picture thread for the preview's copy of path, at most 1024 pixels on the longer side
// (the file the arrange view shows when path is its stored path); the preview keeps what it shows
// until TakeRequestedPreview.
void RequestPreviewPicture(uint64_t& ticket, const std::u16string& path);

// Puts the requested copy in place once it is decoded (none when it could not be): true when the
// picture changed, for a repaint.
bool TakeRequestedPreview(PreviewPicture& picture, uint64_t ticket);

// Rewrites the shown pixels from the decoded ones: black and white first, then the tint, then
// the softness (blur_permille) at the strength the arrange view would show it.
void TintPreviewPicture(PreviewPicture& picture, bool grayscale, uint32_t tint_colour,
                        double amount, int blur_permille, FitMode mode);

void PaintArrangePreview(HWND dialog, HDC dc, const RECT& rect, SettingsDialogState& state);

LRESULT CALLBACK PreviewSubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                     UINT_PTR id, DWORD_PTR reference);

void UpdatePreviewCaption(HWND dialog, SettingsDialogState& state);

void ReleasePreviewPicture(PreviewPicture& picture);
void ReleasePreviewPaintBuffer(PreviewPaintBuffer& buffer);
void ReleaseArrangePreview(ArrangePreview& preview);
