// The settings dialog's small model of the arrange view with the wallpaper applied.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/settings_dialog_state.h"

// Releases what picture held, then decodes path at most 1024 pixels on the longer side.
bool LoadPreviewPicture(PreviewPicture& picture, const std::u16string& path);

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
